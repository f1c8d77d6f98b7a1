// The renderer choice: software where OpenGL would run on the CPU, Qt's own
// choice where the learner set one; and, under Xvfb (no GPU, no DRI), the card
// really drawn by the software renderer.
#include "card/card_panel.h"
#include "card/quick_renderer.h"
#include "card/view_test.h"

#include <QQuickWindow>
#include <QSGRendererInterface>

using QuickRenderer::Machine;

class QuickRendererTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choice_data()
    {
        QTest::addColumn<Machine>("machine");
        QTest::addColumn<bool>("software");
        //                              learnerChose forcedSoftwareGL gpuDevice displayRendersDirect
        QTest::newRow("GPU, direct rendering") << Machine{false, false, true, true} << false;
        QTest::newRow("no GPU device") << Machine{false, false, false, true} << true;
        QTest::newRow("display without DRI") << Machine{false, false, true, false} << true;
        QTest::newRow("LIBGL_ALWAYS_SOFTWARE") << Machine{false, true, true, true} << true;
        QTest::newRow("learner chose, no GPU") << Machine{true, true, false, false} << false;
    }
    void choice()
    {
        QFETCH(Machine, machine);
        QTEST(QuickRenderer::prefersSoftware(machine), "software");
    }

    // Xvfb offers no DRI: the card is drawn by Qt Quick's software renderer.
    void xvfbCardDrawnInSoftware()
    {
        QCOMPARE(QuickRenderer::currentMachine().displayRendersDirect, false);
        QCOMPARE(QQuickWindow::sceneGraphBackend(), u"software"_s);
        CardPanel panel;
        panel.show(samplePhrase());
        QVERIFY(QTest::qWaitForWindowExposed(panel.window()));
        QTRY_VERIFY(panel.window()->rendererInterface());
        QTRY_COMPARE(panel.window()->rendererInterface()->graphicsApi(), QSGRendererInterface::Software);
        const QImage drawn = panel.window()->grabWindow();
        QCOMPARE(drawn.isNull(), false);
        QVERIFY(drawn.pixelColor(drawn.width() / 2, drawn.height() / 2).alpha() > 0);
    }
};

int main(int argc, char **argv)
{
    qunsetenv("QT_QUICK_BACKEND");
    qunsetenv("QSG_RHI_BACKEND");
    // As the program does: chosen before the application object exists.
    const bool software = QuickRenderer::chooseForMachine();
    QApplication app(argc, argv);
    if (!software) {
        qWarning("the software renderer was not chosen on this display");
        return 1;
    }
    QuickRendererTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quick_renderer.moc"
