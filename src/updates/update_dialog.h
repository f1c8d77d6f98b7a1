#pragma once

#include <QMessageBox>

class QPushButton;

// The window of a check the learner asked for: "Checking for updates…"
// first, then the outcome in the same window.
class UpdateDialog : public QMessageBox {
    Q_OBJECT
public:
    explicit UpdateDialog(QWidget *parent = nullptr);

    void showChecking();
    void showAvailable(const QString &version, const QString &currentVersion, const QString &notes);
    void showUpToDate(const QString &currentVersion);
    void showFailure();

Q_SIGNALS:
    void openPageRequested();

private:
    void setContent(QMessageBox::Icon icon, const QString &text, const QString &details);
    void replaceButtons();

    QPushButton *m_openPage = nullptr;
};
