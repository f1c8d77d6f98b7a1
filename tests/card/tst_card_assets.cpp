// The symbols the views draw, and the reduce-motion rule.
#include "card/reduce_motion.h"
#include "card/symbol_images.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList symbolNamesInViews()
{
    QStringList names;
    const QRegularExpression pattern(QStringLiteral(R"re((?:symbol|name|icon):\s*"([a-z.]+)")re"));
    for (QDirIterator files(":/pelora", {"*.qml"}, QDir::Files, QDirIterator::Subdirectories); files.hasNext();) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly)) {
            for (const QRegularExpressionMatch &match : pattern.globalMatch(QString::fromUtf8(file.readAll())))
                names.append(match.captured(1));
        }
    }
    names.removeDuplicates();
    return names;
}

// The image's opaque pixels, and the colour of the last of them.
std::pair<int, QRgb> ink(const QImage &image)
{
    std::pair<int, QRgb> result{0, 0};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).alpha() == 255)
                result = {result.first + 1, image.pixelColor(x, y).rgb()};
        }
    }
    return result;
}

} // namespace

class CardAssetsTest : public QObject {
    Q_OBJECT
    SymbolImageProvider provider;
    QSize size;

private Q_SLOTS:
    void everySymbolTheViewsNameIsDrawnInTheAskedColour()
    {
        const QStringList names = symbolNamesInViews();
        QVERIFY(names.contains("xmark") && names.contains("arrow.up.left.and.arrow.down.right"));
        for (const QString &name : names) {
            const QImage image = provider.requestImage(name + "?color=%2300405F&weight=medium", &size, QSize(32, 32));
            QCOMPARE(size, QSize(32, 32));
            QVERIFY2(ink(image).first > 10, qPrintable(name));
            QCOMPARE(ink(image).second, QColor(0x00, 0x40, 0x5F).rgb());
        }
    }

    void unknownOrPathLikeSymbolNamesDrawNothing()
    {
        for (const char *name : {"no.such.symbol", "../images/pelora", "", "?color=red"}) {
            const QImage image = provider.requestImage(name, &size, QSize(16, 16));
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(ink(image).first, 0);
        }
        QVERIFY(SymbolImageProvider::symbolSvg("../images/pelora", Qt::black, {}).isEmpty());
    }

    void reduceMotionFollowsTheEnvironmentAndKde()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        QVERIFY(ReduceMotion::isOn());
        qputenv("PELORA_REDUCE_MOTION", "0");
        QVERIFY(!ReduceMotion::isOn()); // fresh home (scripts/run-test): no portal answer, no kdeglobals

        const QDir config(qEnvironmentVariable("XDG_CONFIG_HOME"));
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && config.mkpath("."));
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

QTEST_MAIN(CardAssetsTest)
#include "tst_card_assets.moc"
