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
    // Every pair of code units up to just past the combining marks, triples
    // around the characters where the rules change, and samples of the other
    // rules, against the full rules: the quick count must never differ from them.
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
        // Hangul jamo, flags, a skin tone, a family, an astral letter, a lone surrogate, Jawi.
        const std::pair<QString, qsizetype> samples[] = {
            {"cafe\u0301", 4}, {"a\r\nb", 3}, {"\u1100\u1161\u11a8", 1}, {"🇲🇾", 1}, {"🇲🇾🇸🇬", 2}, {"👍🏽", 1},
            {"👨\u200d👩\u200d👧", 1}, {"𝔸", 1}, {QString(QChar(0xd800)) + "a", 2}, {"\u062a\u0650\u0631\u064a\u0645\u0627", 5}, {"", 0}};
        for (const auto &[text, count] : samples)
            QCOMPARE(TextLength::graphemes(text), count);
    }

    void firstGraphemesNeverSplitsACharacter()
    {
        const QString text = QString::fromUtf8("e\u0301🇲🇾x");
        const QStringList prefixes{"", QString::fromUtf8("e\u0301"), QString::fromUtf8("e\u0301🇲🇾"), text, text};
        for (int count = -1; count <= 4; ++count)
            QCOMPARE(TextLength::firstGraphemes(text, count), prefixes.value(qMax(count, 0)));
        QCOMPARE(TextLength::firstGraphemes(QString(), 5), QString());
    }

    void blankness()
    {
        for (const QString &blank : {QString(), QStringLiteral(" \t\r\n "), QString::fromUtf8("\u00a0\u3000\u2028\u2029\u0085")})
            QVERIFY(TextLength::isBlank(blank));
        // A word inside spaces, a zero-width space, a combining mark alone.
        for (const char *text : {"  a  ", "\u200b", "\u0301"})
            QVERIFY2(!TextLength::isBlank(QString::fromUtf8(text)), text);
    }
};

QTEST_GUILESS_MAIN(TextLengthTest)
#include "tst_text_length.moc"
