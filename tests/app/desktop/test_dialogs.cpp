// The interval and address dialogs as the learner meets them.
#include "app/alert_dialog.h"
#include "app/companion_dialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// With PELORA_SCREENSHOT_DIR set (scripts/screenshots), each dialog is kept as a PNG too.
void keepScreenshot(QWidget &dialog, const QString &name)
{
    const QString folder = qEnvironmentVariable("PELORA_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        dialog.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void intervalDialogHasTextsFieldAndButtonOrder()
    {
        AlertDialog dialog(DialogTexts::intervalMessage(), DialogTexts::intervalInformative(), QStringLiteral("5"),
                           QSize(260, 24), DialogTexts::intervalFieldName());
        QCOMPARE(dialog.messageLabel()->text(), QStringLiteral("A phrase, at your pace."));
        QCOMPARE(dialog.informativeLabel()->text(),
                 QStringLiteral("Minutes between reminders (1–1440). Your next reminder starts a fresh countdown. Any "
                                "pause stays in place."));
        QCOMPARE(dialog.field()->text(), QStringLiteral("5"));
        QCOMPARE(dialog.field()->width(), 260);
        QCOMPARE(dialog.field()->accessibleName(), QStringLiteral("Minutes between reminders"));
        QVERIFY(dialog.saveButton()->isDefault());
        QCOMPARE(dialog.saveButton()->text(), QStringLiteral("Save"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // "Save" stands before "Cancel", and the field has the focus.
        QVERIFY(dialog.saveButton()->mapTo(&dialog, QPoint()).x() < dialog.cancelButton()->mapTo(&dialog, QPoint()).x());
        QTRY_VERIFY(dialog.field()->hasFocus());
        keepScreenshot(dialog, QStringLiteral("dialog-interval"));
    }

    void addressFieldHasNoAccessibleName()
    {
        AlertDialog dialog(DialogTexts::originMessage(), DialogTexts::originInformative(),
                           QStringLiteral("https://www.pelora.app"), QSize(340, 24), {});
        QCOMPARE(dialog.field()->width(), 340);
        QVERIFY(dialog.field()->accessibleName().isEmpty());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        keepScreenshot(dialog, QStringLiteral("dialog-address"));
        QVERIFY(DialogTexts::invalidOriginInformative().startsWith(QStringLiteral("Use an HTTPS origin, such as https://")));
        QVERIFY(DialogTexts::invalidOriginInformative().endsWith(
            QStringLiteral(", or HTTP on localhost. Leave off paths, queries, and passwords.")));
    }

    void returnSavesTypedTextAndEscapeCancels()
    {
        CompanionDialogs dialogs;
        auto typeAndPress = [](const QString &text, int key) {
            QTimer::singleShot(200, [text, key] {
                auto *dialog = qobject_cast<AlertDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->field()->selectAll();
                QTest::keyClicks(dialog->field(), text);
                QTest::keyClick(dialog->field(), Qt::Key(key));
            });
        };
        typeAndPress(QStringLiteral(" 90 "), Qt::Key_Return);
        QCOMPARE(dialogs.askInterval(QStringLiteral("5"), DialogTexts::intervalInformative()),
                 std::optional<QString>(QStringLiteral(" 90 ")));
        typeAndPress(QStringLiteral("abc"), Qt::Key_Escape);
        QCOMPARE(dialogs.askOrigin(QStringLiteral("https://www.pelora.app")), std::nullopt);
    }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
