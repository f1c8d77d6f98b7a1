#include "app/companion_dialogs.h"

#include "account/web_address.h"
#include "app/alert_dialog.h"

#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

QString DialogTexts::invalidOriginInformative()
{
    return u"Use an HTTPS origin, such as "_s + WebAddress::production().text()
        + u", or HTTP on localhost. Leave off paths, queries, and passwords."_s;
}

std::optional<QString> CompanionDialogs::askInterval(const QString &text, const QString &informativeText)
{
    AlertDialog dialog(DialogTexts::intervalMessage(), informativeText, text, QSize(260, 24),
                       DialogTexts::intervalFieldName());
    return dialog.run();
}

std::optional<QString> CompanionDialogs::askOrigin(const QString &text)
{
    AlertDialog dialog(DialogTexts::originMessage(), DialogTexts::originInformative(), text, QSize(340, 24), {});
    return dialog.run();
}

void CompanionDialogs::alertInvalidOrigin(const QString &informativeText)
{
    QMessageBox alert(QMessageBox::Warning, DialogTexts::invalidOriginMessage(), DialogTexts::invalidOriginMessage(),
                      QMessageBox::Ok);
    alert.setInformativeText(informativeText);
    alert.setWindowFlag(Qt::WindowStaysOnTopHint);
    alert.exec();
}

bool CompanionDialogs::confirmGnomeShortcut()
{
    QMessageBox question(QMessageBox::Question, DialogTexts::gnomeShortcutMessage(),
                         DialogTexts::gnomeShortcutMessage(), QMessageBox::NoButton);
    question.setInformativeText(DialogTexts::gnomeShortcutInformative());
    QPushButton *add = question.addButton(DialogTexts::addShortcut(), QMessageBox::AcceptRole);
    question.addButton(DialogTexts::cancel(), QMessageBox::RejectRole);
    question.setDefaultButton(add);
    question.setWindowFlag(Qt::WindowStaysOnTopHint);
    question.exec();
    return question.clickedButton() == add;
}
