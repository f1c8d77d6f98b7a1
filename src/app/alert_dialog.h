#pragma once

#include <QDialog>
#include <QSize>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// A modal alert with a message, an informative text, one text field and the
// buttons "Save" (default) and "Cancel".
class AlertDialog : public QDialog {
    Q_OBJECT
public:
    AlertDialog(const QString &message, const QString &informativeText, const QString &fieldText, QSize fieldSize,
                const QString &fieldAccessibleName, QWidget *parent = nullptr);

    // Runs the dialog modally: the field's text on "Save", nothing on "Cancel".
    std::optional<QString> run();

    QLabel *messageLabel() const { return m_message; }
    QLabel *informativeLabel() const { return m_informative; }
    QLineEdit *field() const { return m_field; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    QLabel *m_message;
    QLabel *m_informative;
    QLineEdit *m_field;
    QPushButton *m_save;
    QPushButton *m_cancel;
};
