#include "library/text_length.h"

#include <QTest>
#include <QTextBoundaryFinder>

namespace {

// The count by Qt's full implementation of the extended grapheme cluster rules.
qsizetype referenceGraphemes(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

} // namespace

class TextLengthTest : public QObject {
    Q_OBJECT

private slots:
    void graphemes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("count");
        QTest::newRow("empty") << QString() << qsizetype(0);
        QTest::newRow("combining acute") << QString::fromUtf8("cafe\u0301") << qsizetype(4);
        QTest::newRow("CR LF") << "a\r\nb" << qsizetype(3);
        QTest::newRow("Hangul jamo") << QString::fromUtf8("\u1100\u1161\u11a8") << qsizetype(1);
        QTest::newRow("flag") << QString::fromUtf8("🇲🇾") << qsizetype(1);
        QTest::newRow("two flags") << QString::fromUtf8("🇲🇾🇸🇬") << qsizetype(2);
        QTest::newRow("skin tone") << QString::fromUtf8("👍🏽") << qsizetype(1);
        QTest::newRow("family") << QString::fromUtf8("👨\u200d👩\u200d👧") << qsizetype(1);
        QTest::newRow("astral letter") << QString::fromUtf8("𝔸") << qsizetype(1);
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) + "a" << qsizetype(2);
        QTest::newRow("Jawi") << QString::fromUtf8("\u062a\u0650\u0631\u064a\u0645\u0627") << qsizetype(5);
    }

    void graphemes()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, count);
        QCOMPARE(TextLength::graphemes(text), count);
    }

    // Every pair of code units up to just past the combining marks, and
    // triples around the characters where the rules change, against the full
    // rules: the quick count for Latin text must never differ from them.
    void countAgreesWithTheFullRules()
    {
        constexpr char16_t end = 0x380;
        for (char16_t a = 0; a < end; ++a) {
            for (char16_t b = 0; b < end; ++b) {
                const QString pair = QString(QChar(a)) + QChar(b);
                if (TextLength::graphemes(pair) != referenceGraphemes(pair))
                    QFAIL(qPrintable(QStringLiteral("U+%1 U+%2").arg(int(a), 4, 16, QChar(u'0')).arg(int(b), 4, 16, QChar(u'0'))));
            }
        }
        const QList<char16_t> pivots{u'\r', u'\n', u'\t', u' ', u'a', 0x7f, 0x85, 0xa0, 0xad, 0x2ff, 0x300, 0x301, 0x36f, 0x370, 0x200d};
        for (char16_t a : pivots)
            for (char16_t b : pivots)
                for (char16_t c : pivots) {
                    const QString triple = QString(QChar(a)) + QChar(b) + QChar(c);
                    QCOMPARE(TextLength::graphemes(triple), referenceGraphemes(triple));
                }
    }

    void firstGraphemesNeverSplitsACharacter()
    {
        const QString text = QString::fromUtf8("e\u0301🇲🇾x");
        QCOMPARE(TextLength::firstGraphemes(text, 0), QString());
        QCOMPARE(TextLength::firstGraphemes(text, -3), QString());
        QCOMPARE(TextLength::firstGraphemes(text, 1), QString::fromUtf8("e\u0301"));
        QCOMPARE(TextLength::firstGraphemes(text, 2), QString::fromUtf8("e\u0301🇲🇾"));
        QCOMPARE(TextLength::firstGraphemes(text, 3), text);
        QCOMPARE(TextLength::firstGraphemes(QString(), 5), QString());
    }

    void blankness_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blank");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("spaces and breaks") << " \t\r\n " << true;
        QTest::newRow("no-break, ideographic, separators")
            << QString::fromUtf8("\u00a0\u3000\u2028\u2029\u0085") << true;
        QTest::newRow("word inside spaces") << "  a  " << false;
        QTest::newRow("zero-width space") << QString::fromUtf8("\u200b") << false;
        QTest::newRow("combining mark alone") << QString::fromUtf8("\u0301") << false;
    }

    void blankness()
    {
        QFETCH(QString, text);
        QFETCH(bool, blank);
        QCOMPARE(TextLength::isBlank(text), blank);
    }
};

QTEST_GUILESS_MAIN(TextLengthTest)
#include "tst_text_length.moc"
