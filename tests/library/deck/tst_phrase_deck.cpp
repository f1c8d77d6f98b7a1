#include "library/phrase_deck.h"

#include <QMap>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One phrase per letter, the letter being its id.
QList<Phrase> library(const QString &letters, const QString &english = u"meaning"_s)
{
    QList<Phrase> phrases;
    for (QChar letter : letters)
        phrases.append(Phrase{letter, u"frasa "_s + letter, english, {}, {}, {}, {}, {}});
    return phrases;
}

// The ids of the phrases, in order: "BCD".
QString ids(const QList<Phrase> &phrases)
{
    QString letters;
    for (const Phrase &phrase : phrases)
        letters += phrase.id;
    return letters;
}

// The ids of `count` phrases dealt from the library, "-" for a deal that gave nothing.
QString deal(PhraseDeck &deck, const QString &letters, int count = 1)
{
    QString dealt;
    for (int i = 0; i < count; ++i) {
        const std::optional<Phrase> phrase = deck.next(library(letters));
        dealt += phrase ? phrase->id : u"-"_s;
    }
    return dealt;
}

QString sorted(QString letters)
{
    std::sort(letters.begin(), letters.end());
    return letters;
}

// Its draws in order, then 0; the script must outlive the deck.
PhraseDeck::RandomBelow scripted(QList<quint32> &script)
{
    return [&script](quint32) { return script.isEmpty() ? 0u : script.takeFirst(); };
}

} // namespace

class PhraseDeckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shuffleIsUnbiased_data()
    {
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("orders");
        QTest::newRow("3 phrases") << u"ABC"_s << 6;
        QTest::newRow("4 phrases") << u"ABCD"_s << 24;
        QTest::newRow("5 phrases") << u"ABCDE"_s << 120;
    }

    // Every sequence of draws a uniform source can make through a fresh deck's first cycle
    // yields each of the n! orders exactly once.
    void shuffleIsUnbiased()
    {
        QFETCH(QString, letters);
        QFETCH(int, orders);
        QMap<QString, int> seen; // how often each order was dealt
        QList<quint32> draws;    // the sequence to play next, padded with 0
        for (;;) {
            QList<quint32> bounds;
            PhraseDeck deck([&](quint32 bound) {
                bounds.append(bound);
                return bounds.size() <= draws.size() ? draws[bounds.size() - 1] : 0;
            });
            ++seen[deal(deck, letters, letters.size())];
            QVERIFY(!bounds.isEmpty());
            QVERIFY(!bounds.contains(0u));
            draws.resize(bounds.size(), 0);
            qsizetype k = bounds.size() - 1; // step to the next sequence, like an odometer
            while (k >= 0 && draws[k] + 1 >= bounds[k])
                --k;
            if (k < 0)
                break;
            draws.resize(k + 1);
            ++draws[k];
        }
        QCOMPARE(seen.size(), orders);
        QCOMPARE(QSet<int>(seen.cbegin(), seen.cend()), QSet<int>{1});
    }

    // A faulty source answering out of range still deals the whole library, once each.
    void outOfRangeSourceStillDealsEveryPhrase()
    {
        PhraseDeck faulty([](quint32 bound) { return bound + 1000; });
        QCOMPARE(sorted(deal(faulty, u"ABC"_s, 3)), u"ABC"_s);
    }

    void emptyLibraryDealsNothing()
    {
        PhraseDeck deck([](quint32) { return 0u; });
        QCOMPARE(deal(deck, u""_s, 2), u"--"_s);
    }

    // The closing phrase of a cycle would open the next one: it is swapped away.
    void noRepeatAcrossCycles()
    {
        QList<quint32> script{1, 0}; // [A,B] dealt B then A; then [B,A], which would open with A again
        PhraseDeck deck(scripted(script));
        QCOMPARE(deal(deck, u"AB"_s, 4), u"BABA"_s);
    }

    // Mid-cycle, removed phrases go and added ones wait for the next cycle.
    void reconcileMidCycleDropsRemovedAndLeavesAddedForLater()
    {
        QList<quint32> script{2, 1}; // identity shuffle: [A,B,C]
        PhraseDeck deck(scripted(script));
        QCOMPARE(deal(deck, u"ABC"_s), u"C"_s);
        deck.reconcile(library(u"ACD"_s));
        QCOMPARE(ids(deck.remaining()), u"A"_s);
        QCOMPARE(deck.lastID().value_or(u"-"_s), u"C"_s);
        QCOMPARE(deal(deck, u"ACD"_s), u"A"_s);
        QCOMPARE(sorted(deal(deck, u"ACD"_s, 3)), u"ACD"_s); // the next cycle brings D in
    }

    // Edited phrases keep their place with their new content; of repeated ids the later wins.
    void reconcileAppliesEditsInPlace()
    {
        QList<quint32> script{0, 0, 0}; // [B,C,D,A] after the shuffle
        PhraseDeck deck(scripted(script));
        QCOMPARE(deal(deck, u"ABCD"_s), u"A"_s);
        deck.reconcile(library(u"DCBA"_s) + library(u"C"_s, u"first edit"_s) + library(u"C"_s, u"second edit"_s));
        QCOMPARE(ids(deck.remaining()), u"BCD"_s);
        QCOMPARE(deck.remaining().at(0).english, u"meaning"_s);
        QCOMPARE(deck.remaining().at(1).english, u"second edit"_s);
        QCOMPARE(deck.remaining().at(2).english, u"meaning"_s);
    }
};

QTEST_GUILESS_MAIN(PhraseDeckTest)
#include "tst_phrase_deck.moc"
