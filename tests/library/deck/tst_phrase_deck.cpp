#include "library/phrase_deck.h"

#include <QMap>
#include <QSet>
#include <QTest>
#include <deque>

namespace {

Phrase phrase(const QString &id, const QString &english = QStringLiteral("meaning"))
{
    return Phrase{id, QStringLiteral("frasa ") + id, english, {}, {}, {}, {}, {}};
}

// One phrase per letter: library("ABC").
QList<Phrase> library(const QString &letters)
{
    QList<Phrase> phrases;
    for (QChar letter : letters)
        phrases.append(phrase(letter));
    return phrases;
}

QString ids(const QList<Phrase> &phrases)
{
    QString out;
    for (const Phrase &p : phrases)
        out += p.id;
    return out;
}

QString deal(PhraseDeck &deck, const QList<Phrase> &from)
{
    const std::optional<Phrase> dealt = deck.next(from);
    return dealt ? dealt->id : QStringLiteral("<none>");
}

// A random source that plays back scripted draws (0 once the script runs out)
// and records every bound it was asked for; it must outlive the deck.
struct ScriptedRandom {
    std::deque<quint32> script;
    QList<quint32> bounds;

    PhraseDeck::RandomBelow source()
    {
        return [this](quint32 bound) {
            bounds.append(bound);
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
    void emptyLibraryDealsNothing()
    {
        PhraseDeck deck;
        QCOMPARE(deck.next({}), std::nullopt);
        QCOMPARE(deck.lastID(), std::nullopt);
        // A deck part-way through a cycle is left exactly as it was.
        const QString first = deal(deck, library("ABC"));
        const QList<Phrase> before = deck.remaining();
        QCOMPARE(deck.next({}), std::nullopt);
        QCOMPARE(deck.remaining(), before);
        QCOMPARE(deck.lastID(), first);
        deck.reconcile({}); // an emptied library empties the deck
        QVERIFY(deck.remaining().isEmpty());
        QCOMPARE(deck.lastID(), first);
    }

    // With two phrases this means strict alternation; one is dealt every time.
    void everyCycleIsAPermutationWithoutRepeatAtTheSeam()
    {
        for (const QString letters : {"A", "AB", "ABC", "ABCD", "ABCDEFG"}) {
            const QList<Phrase> phrases = library(letters);
            PhraseDeck deck; // the system generator
            QString last;
            for (int cycle = 0; cycle < 300; ++cycle) {
                QSet<QString> seen;
                for (int i = 0; i < phrases.size(); ++i) {
                    const QString dealt = deal(deck, phrases);
                    QVERIFY2(i > 0 || phrases.size() == 1 || dealt != last, qPrintable(letters));
                    seen.insert(last = dealt);
                }
                QCOMPARE(seen.size(), phrases.size()); // nothing dealt twice in one cycle
                QVERIFY(deck.remaining().isEmpty());
            }
        }
    }

    // Plays every possible sequence of draws of a uniform source through a
    // fresh deck's first cycle: an unbiased shuffle yields each of the n!
    // orders exactly once, and never asks for a draw out of its range.
    void shuffleIsUnbiased()
    {
        const std::pair<const char *, int> sizes[] = {{"ABC", 6}, {"ABCD", 24}, {"ABCDE", 120}};
        for (const auto &[letters, factorial] : sizes) {
            const QList<Phrase> phrases = library(letters);
            QMap<QString, int> orders;
            QList<quint32> draws;
            for (int runs = 1;; ++runs) {
                ScriptedRandom random;
                random.script.assign(draws.begin(), draws.end());
                PhraseDeck deck(random.source());
                const QString first = deal(deck, phrases);
                ++orders[ids(deck.remaining()) + first];
                // Pad the draws to what the run used, then step to the next sequence.
                const QList<quint32> &bounds = random.bounds;
                QVERIFY(!bounds.isEmpty() && runs < 1000);
                draws.resize(qMax(draws.size(), bounds.size()));
                qsizetype k = bounds.size() - 1;
                while (k >= 0 && draws[k] + 1 >= bounds[k])
                    --k;
                if (k < 0)
                    break;
                draws.resize(k + 1);
                ++draws[k];
            }
            QCOMPARE(orders.size(), factorial);
            for (int count : orders)
                QCOMPARE(count, 1);
        }
    }

    void faultyRandomSourceStaysInsideTheList()
    {
        PhraseDeck deck([](quint32 bound) { return bound + 1000; });
        QSet<QString> seen;
        for (int i = 0; i < 3; ++i)
            seen.insert(deal(deck, library("ABC")));
        QCOMPARE(seen, (QSet<QString>{"A", "B", "C"}));
    }

    void libraryIsReadOnlyWhenACycleStarts()
    {
        PhraseDeck deck;
        const QString first = deal(deck, library("ABC"));
        // The rest of the cycle comes from the deck, whatever is passed in.
        QSet<QString> rest{deal(deck, library("X")), deal(deck, library("X"))};
        QCOMPARE(rest + QSet<QString>{first}, (QSet<QString>{"A", "B", "C"}));
        QCOMPARE(deal(deck, library("X")), "X");
    }

    // A sync mid-cycle drops removed phrases, takes edited content in the
    // waiting order, and leaves added ones for the next cycle.
    void reconcile()
    {
        ScriptedRandom random;
        PhraseDeck deck(random.source());
        random.script = {2, 1}; // identity shuffle: [A,B,C]
        QCOMPARE(deal(deck, library("ABC")), "C");
        deck.reconcile(library("ACD"));
        QCOMPARE(ids(deck.remaining()), "A");
        QCOMPARE(deck.lastID(), "C");
        QCOMPARE(deal(deck, library("ACD")), "A");
        const QStringList next{deal(deck, library("ACD")), deal(deck, library("ACD")), deal(deck, library("ACD"))};
        QCOMPARE(QSet<QString>(next.begin(), next.end()), (QSet<QString>{"A", "C", "D"}));

        random.script = {0, 0, 0}; // [B,C,D,A] after the shuffle
        PhraseDeck edited(random.source());
        QCOMPARE(deal(edited, library("ABCD")), "A");
        // The library arrives reversed, with C edited twice: the later occurrence wins.
        edited.reconcile(library("DCBA") << phrase("C", "first edit") << phrase("C", "second edit"));
        QCOMPARE(ids(edited.remaining()), "BCD");
        QCOMPARE(edited.remaining().at(1).english, "second edit");

        random.script = {1}; // identity: [A,B]
        PhraseDeck shrunk(random.source());
        QCOMPARE(deal(shrunk, library("AB")), "B");
        shrunk.reconcile(library("B")); // A removed: the cycle is over
        QVERIFY(shrunk.remaining().isEmpty());
        // A sync brings A back; the new cycle [A,B] would open with B again.
        random.script = {1};
        QCOMPARE(deal(shrunk, library("AB")), "A");
    }
};

QTEST_GUILESS_MAIN(PhraseDeckTest)
#include "tst_phrase_deck.moc"
