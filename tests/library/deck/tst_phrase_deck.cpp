#include "library/phrase_deck.h"

#include <QMap>
#include <QSet>
#include <QTest>
#include <deque>

namespace {

QList<Phrase> library(const QString &letters, const QString &english = QStringLiteral("meaning"))
{
    QList<Phrase> phrases;
    for (QChar letter : letters)
        phrases.append(Phrase{letter, QStringLiteral("frasa ") + letter, english, {}, {}, {}, {}, {}});
    return phrases;
}

QString deal(PhraseDeck &deck, const QString &letters, int count = 1)
{
    QString dealt;
    for (int i = 0; i < count; ++i)
        dealt += deck.next(library(letters)).value_or(Phrase{"-", {}, {}, {}, {}, {}, {}, {}}).id;
    return dealt;
}

// Plays back scripted draws, then 0; must outlive the deck.
struct ScriptedRandom {
    std::deque<quint32> script;
    PhraseDeck::RandomBelow source()
    {
        return [this](quint32) {
            const quint32 draw = script.empty() ? 0 : script.front();
            if (!script.empty())
                script.pop_front();
            return draw;
        };
    }
};

} // namespace

class PhraseDeckTest : public QObject {
    Q_OBJECT

private slots:
    void emptyLibraryDealsNothingAndEmptiesTheDeck()
    {
        PhraseDeck deck;
        QCOMPARE(deal(deck, ""), "-");
        const QString first = deal(deck, "ABC");
        QCOMPARE(deal(deck, ""), "-");
        QCOMPARE(deck.remaining().size(), 2); // the cycle is left as it was
        deck.reconcile({});
        QVERIFY(deck.remaining().isEmpty());
        QCOMPARE(deck.lastID(), first);
    }

    // Every phrase once a cycle, never twice in a row across cycles: two alternate, one always.
    void everyCycleIsAPermutationWithoutRepeatAtTheSeam()
    {
        for (const QString letters : {"A", "AB", "ABC", "ABCD", "ABCDEFG"}) {
            PhraseDeck deck; // the system generator
            QString dealt;
            for (int cycle = 0; cycle < 300; ++cycle) {
                const QString order = deal(deck, letters, letters.size());
                QCOMPARE(QSet<QChar>(order.begin(), order.end()).size(), letters.size());
                QVERIFY2(letters.size() == 1 || !dealt.endsWith(order.front()), qPrintable(dealt + order));
                dealt = order;
            }
        }
    }

    // Plays every sequence of draws of a uniform source through a fresh deck's
    // first cycle: an unbiased shuffle yields each of the n! orders exactly
    // once. A faulty source answering out of range still deals the library.
    void shuffleIsUnbiased()
    {
        for (const QString letters : {"ABC", "ABCD", "ABCDE"}) {
            QMap<QString, int> orders;
            QList<quint32> draws; // the sequence to play next, padded with 0
            for (;;) {
                QList<quint32> bounds;
                PhraseDeck deck([&](quint32 bound) {
                    bounds.append(bound);
                    return bounds.size() <= draws.size() ? draws[bounds.size() - 1] : 0;
                });
                ++orders[deal(deck, letters, letters.size())];
                QVERIFY(!bounds.isEmpty() && !bounds.contains(0));
                draws.resize(bounds.size(), 0);
                qsizetype k = bounds.size() - 1; // step to the next sequence, like an odometer
                while (k >= 0 && draws[k] + 1 >= bounds[k])
                    --k;
                if (k < 0)
                    break;
                draws.resize(k + 1);
                ++draws[k];
            }
            int factorial = 1;
            for (int i = 2; i <= letters.size(); ++i)
                factorial *= i;
            QCOMPARE(orders.size(), factorial);
            QCOMPARE(QSet<int>(orders.cbegin(), orders.cend()), QSet<int>{1});
        }
        PhraseDeck faulty([](quint32 bound) { return bound + 1000; });
        QString dealt = deal(faulty, "ABC", 3);
        std::sort(dealt.begin(), dealt.end());
        QCOMPARE(dealt, "ABC");
    }

    // A sync mid-cycle drops removed phrases, edits in place, and defers added ones.
    void reconcile()
    {
        ScriptedRandom random;
        PhraseDeck deck(random.source());
        random.script = {2, 1}; // identity shuffle: [A,B,C]
        QCOMPARE(deal(deck, "ABC"), "C");
        deck.reconcile(library("ACD"));
        QCOMPARE(deck.remaining(), library("A"));
        QCOMPARE(deck.lastID(), "C");
        QCOMPARE(deal(deck, "ACD"), "A");
        const QString next = deal(deck, "ACD", 3);
        QCOMPARE(QSet<QChar>(next.begin(), next.end()), (QSet<QChar>{u'A', u'C', u'D'}));

        random.script = {0, 0, 0}; // [B,C,D,A] after the shuffle
        PhraseDeck edited(random.source());
        QCOMPARE(deal(edited, "ABCD"), "A");
        // The library arrives reversed, with C edited twice: the later occurrence wins.
        edited.reconcile(library("DCBA") + library("C", "first edit") + library("C", "second edit"));
        QCOMPARE(edited.remaining(), library("B") + library("C", "second edit") + library("D"));

        random.script = {1}; // identity: [A,B]
        PhraseDeck shrunk(random.source());
        QCOMPARE(deal(shrunk, "AB"), "B");
        shrunk.reconcile(library("B")); // A removed: the cycle is over
        QVERIFY(shrunk.remaining().isEmpty());
        random.script = {1}; // A is back; the new cycle [A,B] would open with B again
        QCOMPARE(deal(shrunk, "AB"), "A");
    }
};

QTEST_GUILESS_MAIN(PhraseDeckTest)
#include "tst_phrase_deck.moc"
