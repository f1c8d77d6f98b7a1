// The brand images, the symbols the views draw, and the reduce-motion rule.
#include "card/brand_assets.h"
#include "card/reduce_motion.h"
#include "card/symbol_images.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every symbol name written in the card's QML files.
QStringList symbolNamesInViews()
{
    QStringList names;
    const QRegularExpression pattern(QStringLiteral(R"re((?:symbol|name|icon):\s*"([a-z.]+)")re"));
    QDirIterator files(QStringLiteral(":/pelora"), {QStringLiteral("*.qml")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly)) {
            for (const QRegularExpressionMatch &match : pattern.globalMatch(QString::fromUtf8(file.readAll())))
                names.append(match.captured(1));
        }
    }
    names.removeDuplicates();
    return names;
}

// Opaque pixels, and the summed alpha (antialiased edges count by how much they cover).
std::pair<int, long> ink(const QImage &image, QColor *sample = nullptr)
{
    int opaque = 0;
    long coverage = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            coverage += colour.alpha();
            if (colour.alpha() == 255) {
                ++opaque;
                if (sample)
                    *sample = colour;
            }
        }
    }
    return {opaque, coverage};
}

} // namespace

class CardAssetsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void brandImages()
    {
        const QImage &mark = BrandAssets::pelora();
        QVERIFY(!mark.isNull());
        QCOMPARE(mark.width(), mark.height());
        QVERIFY(mark.width() >= 128);

        const QIcon icon = BrandAssets::menuBarIcon();
        QVERIFY(icon.availableSizes().contains(QSize(22, 22)));
        QVERIFY(!icon.isMask());
        const QImage small = icon.pixmap(QSize(22, 22)).toImage();
        QCOMPARE(small.size(), QSize(22, 22));
        QVERIFY(small.pixelColor(4, 11).saturation() > 60); // the mark's colours, not a template
    }

    void everySymbolTheViewsNameIsDrawnInTheAskedColour()
    {
        const QStringList names = symbolNamesInViews();
        QVERIFY(names.contains(QStringLiteral("xmark")));
        QVERIFY(names.contains(QStringLiteral("arrow.up.left.and.arrow.down.right")));
        SymbolImageProvider provider;
        for (const QString &name : names) {
            QSize size;
            const QImage image = provider.requestImage(name + QStringLiteral("?color=%2300405F&weight=medium"), &size,
                                                       QSize(32, 32));
            QCOMPARE(size, QSize(32, 32));
            QColor sample;
            QVERIFY2(ink(image, &sample).first > 10, qPrintable(name));
            QCOMPARE(sample.rgb(), QColor(0x00, 0x40, 0x5F).rgb());
        }
    }

    void unknownOrPathLikeSymbolNamesDrawNothing()
    {
        SymbolImageProvider provider;
        QSize size;
        for (const QString &name : {QStringLiteral("no.such.symbol"), QStringLiteral("../images/pelora"),
                                    QStringLiteral(""), QStringLiteral("?color=red")}) {
            const QImage image = provider.requestImage(name, &size, QSize(16, 16));
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(ink(image).first, 0);
        }
        QVERIFY(SymbolImageProvider::symbolSvg(QStringLiteral("../images/pelora"), Qt::black, {}).isEmpty());
    }

    void heavierWeightsDrawThickerStrokes()
    {
        SymbolImageProvider provider;
        QSize size;
        const auto coverage = [&](const char *weight) {
            return ink(provider.requestImage(QStringLiteral("xmark?color=%23000000&weight=") + QLatin1String(weight),
                                             &size, QSize(48, 48)))
                .second;
        };
        QVERIFY(coverage("light") < coverage("regular"));
        QVERIFY(coverage("regular") < coverage("semibold"));
    }

    void reduceMotionFollowsTheEnvironmentAndKde()
    {
        qputenv("PELORA_REDUCE_MOTION", "1");
        QVERIFY(ReduceMotion::isOn());
        qputenv("PELORA_REDUCE_MOTION", "0");
        QVERIFY(!ReduceMotion::isOn()); // fresh home: no portal answer, no kdeglobals

        QTemporaryDir folder;
        const auto kdeglobals = [&](const QByteArray &contents) {
            const QString path = folder.filePath(QStringLiteral("kdeglobals"));
            QFile file(path);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(contents);
            return path;
        };
        QVERIFY(kdeAnimationsInstant(kdeglobals("[KDE]\nAnimationDurationFactor=0\n")));
        QVERIFY(!kdeAnimationsInstant(kdeglobals("[KDE]\nAnimationDurationFactor=0.5\n")));
        QVERIFY(!kdeAnimationsInstant(kdeglobals("[KDE]\nAnimationDurationFactor=fast\n")));
        QVERIFY(!kdeAnimationsInstant(kdeglobals("[General]\nName=x\n")));

        if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
            QSKIP("needs the private configuration folder that scripts/run-test provides");
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).mkpath(QStringLiteral("."));
        QFile config(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("kdeglobals")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("[KDE]\nAnimationDurationFactor=0\n");
        config.close();
        QVERIFY(ReduceMotion::isOn());
        config.remove();
        QVERIFY(!ReduceMotion::isOn());
    }
};

QTEST_MAIN(CardAssetsTest)
#include "tst_card_assets.moc"
