// The card's QML view driven through its model: which layout and texts show
// for each state, and which callback each gesture reaches; the symbols it
// draws, and the reduce-motion rule.
#include "card/card_messages.h"
#include "card/card_panel.h"
#include "card/ink.h"
#include "card/reduce_motion.h"
#include "card/symbol_images.h"
#include "card/view_test.h"

#include <QDirIterator>
#include <QPalette>
#include <QRegularExpression>

namespace {

QStringList symbolNamesInViews()
{
    QStringList names;
    const QRegularExpression pattern(QStringLiteral(R"re((?:symbol|name|icon):\s*"([a-z.]+)")re"));
    for (QDirIterator files(":/pelora", {"*.qml"}, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
        QFile file(files.next());
        const QString text = file.open(QFile::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        for (const QRegularExpressionMatch &match : pattern.globalMatch(text))
            names.append(match.captured(1));
    }
    names.removeDuplicates();
    return names;
}

// The opaque pixels, all of them or only those of one colour.
int opaque(const QImage &image, std::optional<QRgb> colour = {})
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).alpha() == 255 && (!colour || image.pixelColor(x, y).rgb() == *colour);
    return count;
}

} // namespace

class PhraseCardViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CardPanel> panel;
    QStringList calls;

    QQuickItem *root() const { return panel->window()->rootObject(); }
    QQuickItem *item(const char *name) const { return visibleItem(root(), QLatin1String(name)); }
    // The texts of visible items, "-" for one that is not shown.
    QStringList texts(std::initializer_list<const char *> names) const
    {
        QStringList result;
        for (const char *name : names)
            result << (item(name) ? item(name)->property("text").toString() : "-");
        return result;
    }
    QString layout() const { return root()->property("layout").toString(); }
    void click(const char *name, QPointF at = {-1, -1}) { clickItem(panel->window(), item(name), at); }
    void expand(bool expanded)
    {
        panel->expand(expanded);
        QVERIFY(QTest::qWaitForWindowExposed(panel->window()));
        QTest::qWait(30);
    }

private Q_SLOTS:
    void init()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        panel = std::make_unique<CardPanel>();
        calls.clear();
        using Callback = std::function<void()> CardModel::*;
        for (const auto &[callback, name] : {std::pair<Callback, const char *>(&CardModel::onDismiss, "dismiss"),
                                             {&CardModel::onNext, "next"}, {&CardModel::onOpen, "open"},
                                             {&CardModel::onLookup, "lookup"}, {&CardModel::onExpand, "expand"},
                                             {&CardModel::onAction, "action"}})
            panel->model()->*callback = [this, name] { calls << QLatin1String(name); };
    }

    void cleanup() { panel.reset(); }

    // Only the first example and the first note; a bare phrase has no empty sections.
    void layoutsAndTheirSections()
    {
        Phrase phrase = samplePhrase();
        panel->show(phrase);
        expand(false);
        QCOMPARE(layout(), QStringLiteral("compactPhrase"));
        QCOMPARE(accessibleName(item("compactCard")), phrase.malay + ". Expand phrase card");
        expand(true);
        QCOMPARE(layout(), QStringLiteral("expandedPhrase"));
        QVERIFY(!item("compactMalay") && item("wordGrid"));
        QCOMPARE(texts({"category", "expandedMalay", "exampleMalay", "exampleEnglish", "note"}),
                 (QStringList{phrase.category.toUpper(), phrase.malay, phrase.usageExamples[0].malay,
                              phrase.usageExamples[0].english, phrase.notes[0]}));
        phrase.words.clear();
        phrase.notes.clear();
        phrase.usageExamples.clear();
        panel->show(phrase);
        expand(true);
        QCOMPARE(texts({"context", "exampleMalay", "note"}), (QStringList{phrase.context, "-", "-"}));
        QVERIFY(!item("wordGrid") && !item("conversationLabel"));
    }

    void aLongPhraseIsCutInTheCompactCardAndWrapsWhenExpanded()
    {
        Phrase phrase = samplePhrase();
        phrase.malay = "Boleh tolong bungkus yang ini dan kurangkan gula dalam teh tarik saya?";
        panel->show(phrase);
        expand(false);
        QVERIFY(item("compactMalay")->property("truncated").toBool());
        QCOMPARE(item("compactMalay")->property("lineCount").toInt(), 1);
        expand(true);
        QQuickItem *malay = item("expandedMalay");
        QVERIFY(malay->property("lineCount").toInt() > 1 && malay->property("selectByMouse").toBool());
        QVERIFY(malay->width() <= panel->window()->width() - 44);
    }

    void gesturesReachTheRightCallbacks()
    {
        panel->show(samplePhrase());
        expand(false);
        click("compactCard", QPointF(5, 5)); // anywhere on the compact card
        expand(true);
        click("lookupButton", QPointF(2, 2)); // the frame's corner counts
        for (const char *button : {"dismissButton", "openButton", "nextButton"})
            click(button);
        panel->window()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(panel->window()));
        QTest::keyClick(panel->window(), Qt::Key_Escape);
        expand(false);
        QTest::keyClick(panel->window(), Qt::Key_Escape); // the compact card has no such key
        QCOMPARE(calls, (QStringList{"expand", "lookup", "dismiss", "open", "next", "dismiss"}));
    }

    // Collapsed: the short title, and a tap anywhere expands. Expanded: the
    // store's status line as the body, and only the buttons answer.
    void messagesShowTheirTextsAndOnlyTheCollapsedOneExpandsOnATap()
    {
        const CardMessage message = cardMessage(PhraseStore::State::unavailable, "Offline.");
        panel->showMessage(PhraseStore::State::unavailable, "Offline.");
        expand(false);
        QCOMPARE(layout(), QStringLiteral("message"));
        QCOMPARE(texts({"shortTitle", "longTitle"}), (QStringList{message.shortTitle, "-"}));
        QVERIFY(!item("actionButton"));
        click("messageCard", QPointF(item("messageCard")->width() / 2, 4));
        click("dismissButton");
        expand(true);
        QCOMPARE(texts({"longTitle", "body"}), (QStringList{message.longTitle, "Offline."}));
        QCOMPARE(accessibleName(item("actionButton")), message.actionLabel);
        click("messageCard", QPointF(item("messageCard")->width() / 2, item("messageCard")->height() - 6));
        click("actionButton");
        QCOMPARE(calls, (QStringList{"expand", "dismiss", "action"})); // the empty area did nothing
    }

    void aDarkDesktopStillGetsTheLightCard()
    {
        QPalette dark(Qt::white, Qt::black); // light text on a black window
        dark.setColor(QPalette::Base, Qt::black);
        QGuiApplication::setPalette(dark);
        panel->showMessage(PhraseStore::State::signedOut, QString());
        expand(true);
        const QImage picture = panel->window()->grabWindow();
        QGuiApplication::setPalette(QPalette());
        QCOMPARE(picture.pixelColor(picture.width() / 2, picture.height() - 4).rgb(), Ink::paper().rgb());
        QCOMPARE(picture.pixelColor(picture.width() / 2, 0).rgb(), Ink::line().rgb());
    }

    void everySymbolTheViewsNameIsDrawnInTheAskedColour()
    {
        const QStringList names = symbolNamesInViews();
        QVERIFY(names.contains("xmark") && names.contains("arrow.up.left.and.arrow.down.right"));
        SymbolImageProvider provider;
        QSize size;
        for (const QString &name : names) {
            const QImage image = provider.requestImage(name + "?color=%2300405F&weight=medium", &size, QSize(32, 32));
            QCOMPARE(size, QSize(32, 32));
            QVERIFY2(opaque(image) > 10, qPrintable(name));
            QCOMPARE(opaque(image, QColor(0x00, 0x40, 0x5F).rgb()), opaque(image));
        }
        for (const char *name : {"no.such.symbol", "../images/pelora", "", "?color=red"}) {
            const QImage image = provider.requestImage(name, &size, QSize(16, 16));
            QVERIFY2(image.size() == QSize(16, 16) && opaque(image) == 0, name);
        }
        QVERIFY(SymbolImageProvider::symbolSvg("../images/pelora", Qt::black, {}).isEmpty());
    }

    void reduceMotionFollowsKde()
    {
        const QDir config(qEnvironmentVariable("XDG_CONFIG_HOME")); // a fresh one from scripts/run-test
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && config.mkpath("."));
        qputenv("PELORA_REDUCE_MOTION", "0");
        QFile file(config.filePath("kdeglobals"));
        for (const char *factor : {"0", "0.5", "fast", ""}) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(*factor ? QByteArray("[KDE]\nAnimationDurationFactor=") + factor : "[General]\nName=x\n");
            file.close();
            QCOMPARE(kdeAnimationsInstant(file.fileName()), QByteArray(factor) == "0");
            QCOMPARE(ReduceMotion::isOn(), QByteArray(factor) == "0");
        }
    }
};

int main(int argc, char **argv) { return runOnTwoScreens<PhraseCardViewTest>(argc, argv); }
#include "tst_phrase_card_view.moc"
