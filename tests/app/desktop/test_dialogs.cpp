// The interval and address dialogs: Return saves the typed text, Escape cancels.
#include "app/alert_dialog.h"
#include "app/companion_dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class DialogsTest : public QObject {
    Q_OBJECT
    QStringList m_shown; // the field's text and accessible name, and whether the layout is right

    // Once the dialog is up: notes what it shows, types `text` over the field and presses `key`.
    void typeAndPress(const QString &text, Qt::Key key)
    {
        QTimer::singleShot(200, this, [this, text, key] {
            auto *dialog = qobject_cast<AlertDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // "Save" is the default and stands before "Cancel"; the field has the focus.
            const bool saveFirst = dialog->saveButton()->mapTo(dialog, QPoint()).x()
                                 < dialog->cancelButton()->mapTo(dialog, QPoint()).x();
            const bool focused = QTest::qWaitFor([dialog] { return dialog->field()->hasFocus(); }, 5000);
            m_shown = QStringList{dialog->field()->text(), dialog->field()->accessibleName(),
                                  saveFirst && dialog->saveButton()->isDefault() && focused ? "ok" : "wrong layout"};
            dialog->field()->selectAll();
            QTest::keyClicks(dialog->field(), text);
            QTest::keyClick(dialog->field(), key);
        });
    }

private Q_SLOTS:
    void returnSavesTheTypedTextAndEscapeCancels()
    {
        CompanionDialogs dialogs;
        typeAndPress(QStringLiteral(" 90 "), Qt::Key_Return);
        QCOMPARE(dialogs.askInterval(QStringLiteral("5"), DialogTexts::intervalInformative()).value_or(QString()),
                 QStringLiteral(" 90 "));
        QCOMPARE(m_shown, (QStringList{"5", "Minutes between reminders", "ok"}));
        typeAndPress(QStringLiteral("abc"), Qt::Key_Escape);
        QVERIFY(!dialogs.askOrigin(QStringLiteral("https://www.pelora.app")).has_value());
        QCOMPARE(m_shown, (QStringList{"https://www.pelora.app", "", "ok"}));
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
