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

QList<Phrase> library(const QStringList &ids)
{
    QList<Phrase> phrases;
    for (const QString &id : ids)
        phrases.append(phrase(id));
    return phrases;
}

QStringList names(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out.append(QString(QChar(u'A' + i)));
    return out;
}

QStringList ids(const QList<Phrase> &phrases)
{
    QStringList out;
    for (const Phrase &p : phrases)
        out.append(p.id);
    return out;
}

QString deal(PhraseDeck &deck, const QList<Phrase> &from)
{
    const std::optional<Phrase> dealt = deck.next(from);
    return dealt ? dealt->id : QStringLiteral("<none>");
}

// A random source that plays back scripted draws (0 once the script runs out)
// and records every bound it was asked for.
struct ScriptedRandom {
    std::shared_ptr<std::deque<quint32>> script = std::make_shared<std::deque<quint32>>();
    std::shared_ptr<QList<quint32>> bounds = std::make_shared<QList<quint32>>();

    PhraseDeck::RandomBelow source() const
    {
        return [script = script, bounds = bounds](quint32 bound) {
            bounds->append(bound);
            if (script->empty())
                return quint32(0);
            const quint32 draw = script->front();
            script->pop_front();
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
        const QList<Phrase> abc = library({"A", "B", "C"});
        const QString first = deal(deck, abc);
        const QList<Phrase> before = deck.remaining();
        QCOMPARE(deck.next({}), std::nullopt);
        QCOMPARE(deck.remaining(), before);
        QCOMPARE(deck.lastID(), first);

        deck.reconcile({}); // an emptied library empties the deck
        QVERIFY(deck.remaining().isEmpty());
        QCOMPARE(deck.lastID(), first);
    }

    void everyCycleIsAPermutationWithoutRepeatAtTheSeam_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {1, 2, 3, 4, 7})
            QTest::addRow("%d phrases", size) << size;
    }

    // With two phrases this means strict alternation; one is dealt every time.
    void everyCycleIsAPermutationWithoutRepeatAtTheSeam()
    {
        QFETCH(int, size);
        const QList<Phrase> phrases = library(names(size));
        PhraseDeck deck; // the system generator

        QString lastOfPreviousCycle;
        for (int cycle = 0; cycle < 300; ++cycle) {
            QSet<QString> seen;
            for (int i = 0; i < size; ++i) {
                const QString dealt = deal(deck, phrases);
                if (i == 0 && size > 1)
                    QVERIFY(dealt != lastOfPreviousCycle);
                QVERIFY2(!seen.contains(dealt), "dealt twice in one cycle");
                seen.insert(dealt);
                lastOfPreviousCycle = dealt;
            }
            QCOMPARE(seen.size(), size);
            QVERIFY(deck.remaining().isEmpty());
        }
    }

    void shuffleIsUnbiased_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {3, 4, 5})
            QTest::addRow("%d phrases", size) << size;
    }

    // Plays every possible sequence of draws of a uniform source through a
    // fresh deck's first cycle: an unbiased shuffle yields each of the n!
    // orders exactly once, and never asks for a draw out of its range.
    void shuffleIsUnbiased()
    {
        QFETCH(int, size);
        const QList<Phrase> phrases = library(names(size));
        QMap<QStringList, int> orders;
        QList<quint32> draws;
        int runs = 0;
        while (true) {
            ScriptedRandom random;
            random.script->assign(draws.begin(), draws.end());
            PhraseDeck deck(random.source());
            const QString first = deal(deck, phrases);
            const QStringList order = ids(deck.remaining()) << first;
            ++orders[order];
            ++runs;

            // Pad the draws to what the run used, then step to the next sequence.
            const QList<quint32> bounds = *random.bounds;
            QVERIFY(!bounds.isEmpty());
            while (draws.size() < bounds.size())
                draws.append(0);
            qsizetype k = bounds.size() - 1;
            while (k >= 0 && draws[k] + 1 >= bounds[k])
                --k;
            if (k < 0)
                break;
            draws.resize(k + 1);
            ++draws[k];
            QVERIFY(runs < 1000);
        }
        int factorial = 1;
        for (int i = 2; i <= size; ++i)
            factorial *= i;
        QCOMPARE(orders.size(), factorial);
        for (auto it = orders.cbegin(); it != orders.cend(); ++it)
            QCOMPARE(it.value(), 1);
    }

    void faultyRandomSourceStaysInsideTheList()
    {
        PhraseDeck deck([](quint32 bound) { return bound + 1000; });
        const QList<Phrase> abc = library({"A", "B", "C"});
        QSet<QString> seen;
        for (int i = 0; i < 3; ++i)
            seen.insert(deal(deck, abc));
        QCOMPARE(seen, (QSet<QString>{"A", "B", "C"}));
    }

    void libraryIsReadOnlyWhenACycleStarts()
    {
        PhraseDeck deck;
        const QList<Phrase> abc = library({"A", "B", "C"});
        const QString first = deal(deck, abc);
        // The rest of the cycle comes from the deck, whatever is passed in.
        const QList<Phrase> other = library({"X"});
        QSet<QString> rest{deal(deck, other), deal(deck, other)};
        QCOMPARE(rest + QSet<QString>{first}, (QSet<QString>{"A", "B", "C"}));
        QCOMPARE(deal(deck, other), "X");
    }

    void reconcileDropsRemovedAndDefersAdded()
    {
        ScriptedRandom random;
        PhraseDeck deck(random.source());
        const QList<Phrase> abc = library({"A", "B", "C"});
        *random.script = {2, 1}; // identity shuffle: [A,B,C]
        QCOMPARE(deal(deck, abc), "C");
        QCOMPARE(ids(deck.remaining()), (QStringList{"A", "B"}));

        const QList<Phrase> acd = library({"A", "C", "D"});
        deck.reconcile(acd);
        QCOMPARE(ids(deck.remaining()), QStringList{"A"});
        QCOMPARE(deck.lastID(), "C");
        QCOMPARE(deal(deck, acd), "A");
        // D joins with the next cycle.
        QSet<QString> next;
        for (int i = 0; i < 3; ++i)
            next.insert(deal(deck, acd));
        QCOMPARE(next, (QSet<QString>{"A", "C", "D"}));
    }

    void reconcileTakesEditedContentAndKeepsOrder()
    {
        ScriptedRandom random;
        PhraseDeck deck(random.source());
        const QList<Phrase> phrases = library({"A", "B", "C", "D"});
        *random.script = {0, 0, 0}; // [B,C,D,A] after the shuffle
        QCOMPARE(deal(deck, phrases), "A");
        QCOMPARE(ids(deck.remaining()), (QStringList{"B", "C", "D"}));

        // The library arrives reversed, with C edited twice: the later
        // occurrence wins and the waiting order stays.
        QList<Phrase> edited = phrases;
        std::reverse(edited.begin(), edited.end());
        edited.append(phrase("C", "first edit"));
        edited.append(phrase("C", "second edit"));
        deck.reconcile(edited);
        QCOMPARE(ids(deck.remaining()), (QStringList{"B", "C", "D"}));
        QCOMPARE(deck.remaining().at(1).english, "second edit");
    }

    void reconciledLastIDStillPreventsARepeat()
    {
        ScriptedRandom random;
        PhraseDeck deck(random.source());
        const QList<Phrase> ab = library({"A", "B"});
        *random.script = {1}; // identity: [A,B]
        QCOMPARE(deal(deck, ab), "B");
        deck.reconcile(library({"B"})); // A removed: the cycle is over
        QVERIFY(deck.remaining().isEmpty());
        // A sync brings A back; the new cycle [A,B] would open with B again.
        *random.script = {1};
        QCOMPARE(deal(deck, ab), "A");
    }
};

QTEST_GUILESS_MAIN(PhraseDeckTest)
#include "tst_phrase_deck.moc"
