#include "updates/update_dialog.h"

#include <QPushButton>
#include <QTextDocument>

using namespace Qt::StringLiterals;

UpdateDialog::UpdateDialog(QWidget *parent) : QMessageBox(parent)
{
    setWindowTitle(u"Pelora Companion"_s);
    setTextFormat(Qt::PlainText);
    // Wide enough that a sentence or two does not wrap into a narrow column.
    setStyleSheet(u"QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 340px; }"_s);
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton *button) {
        if (button && button == m_openPage)
            Q_EMIT openPageRequested();
    });
}

void UpdateDialog::setContent(QMessageBox::Icon icon, const QString &text, const QString &details)
{
    setIcon(icon);
    setText(text);
    // The informative text is shown as rich text when it looks like it; the
    // feed's notes are plain text, so they are converted, never interpreted.
    setInformativeText(Qt::convertFromPlainText(details, Qt::WhiteSpaceNormal));
}

void UpdateDialog::replaceButtons()
{
    const QList<QAbstractButton *> old = buttons();
    for (QAbstractButton *button : old) {
        removeButton(button);
        button->deleteLater();
    }
    m_openPage = nullptr;
}

void UpdateDialog::showChecking()
{
    replaceButtons();
    setContent(QMessageBox::NoIcon, u"Checking for updates…"_s, u"Looking for a newer version of Pelora Companion."_s);
    setDefaultButton(addButton(QMessageBox::Cancel));
}

void UpdateDialog::showAvailable(const QString &version, const QString &currentVersion, const QString &notes)
{
    replaceButtons();
    QString details = u"You have version %1."_s.arg(currentVersion);
    if (!notes.isEmpty())
        details += u"\n\n"_s + notes;
    setContent(QMessageBox::Information, u"Pelora Companion %1 is available."_s.arg(version), details);
    m_openPage = addButton(u"Open Download Page"_s, QMessageBox::AcceptRole);
    addButton(u"Later"_s, QMessageBox::RejectRole);
    setDefaultButton(m_openPage);
}

void UpdateDialog::showUpToDate(const QString &currentVersion)
{
    replaceButtons();
    setContent(QMessageBox::Information, u"You’re up to date."_s,
               u"Pelora Companion %1 is the newest version."_s.arg(currentVersion));
    setDefaultButton(addButton(QMessageBox::Ok));
}

void UpdateDialog::showFailure()
{
    replaceButtons();
    setContent(QMessageBox::Warning, u"Couldn’t check for updates."_s,
               u"The update information couldn’t be loaded. Check your connection and try again later."_s);
    setDefaultButton(addButton(QMessageBox::Ok));
}
