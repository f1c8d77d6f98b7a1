#include "updates/update_dialog.h"

#include <QPushButton>
#include <QTextDocument>

UpdateDialog::UpdateDialog(QWidget *parent) : QMessageBox(parent)
{
    setWindowTitle(QStringLiteral("Pelora Companion"));
    setTextFormat(Qt::PlainText);
    // Wide enough that a sentence or two does not wrap into a narrow column.
    setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 340px; }"));
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
    setContent(QMessageBox::NoIcon, QStringLiteral("Checking for updates…"),
               QStringLiteral("Looking for a newer version of Pelora Companion."));
    setDefaultButton(addButton(QMessageBox::Cancel));
}

void UpdateDialog::showAvailable(const QString &version, const QString &currentVersion, const QString &notes)
{
    replaceButtons();
    QString details = QStringLiteral("You have version %1.").arg(currentVersion);
    if (!notes.isEmpty())
        details += QStringLiteral("\n\n") + notes;
    setContent(QMessageBox::Information, QStringLiteral("Pelora Companion %1 is available.").arg(version), details);
    m_openPage = addButton(QStringLiteral("Open Download Page"), QMessageBox::AcceptRole);
    addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
    setDefaultButton(m_openPage);
}

void UpdateDialog::showUpToDate(const QString &currentVersion)
{
    replaceButtons();
    setContent(QMessageBox::Information, QStringLiteral("You’re up to date."),
               QStringLiteral("Pelora Companion %1 is the newest version.").arg(currentVersion));
    setDefaultButton(addButton(QMessageBox::Ok));
}

void UpdateDialog::showFailure()
{
    replaceButtons();
    setContent(QMessageBox::Warning, QStringLiteral("Couldn’t check for updates."),
               QStringLiteral("The update information couldn’t be loaded. Check your connection and try again later."));
    setDefaultButton(addButton(QMessageBox::Ok));
}
