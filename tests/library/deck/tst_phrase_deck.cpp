#include "library/phrase_deck.h"

#include <QMap>
#include <QSet>
#include <QTest>

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

PhraseDeck::RandomBelow scripted(QList<quint32> &script) // its draws, then 0; it must outlive the deck
{
    return [&script](quint32) { return script.isEmpty() ? 0u : script.takeFirst(); };
}

} // namespace

class PhraseDeckTest : public QObject {
    Q_OBJECT

private slots:
    // Every sequence of draws of a uniform source through a fresh deck's first cycle yields each of
    // the n! orders exactly once. A faulty source answering out of range still deals the library.
    void shuffleIsUnbiased()
    {
        for (const auto &[letters, factorial] : {std::pair<QString, int>("ABC", 6), {"ABCD", 24}, {"ABCDE", 120}}) {
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
            QCOMPARE(orders.size(), factorial);
            QCOMPARE(QSet<int>(orders.cbegin(), orders.cend()), QSet<int>{1});
        }
        PhraseDeck faulty([](quint32 bound) { return bound + 1000; });
        QString dealt = deal(faulty, "ABC", 3);
        std::sort(dealt.begin(), dealt.end());
        QCOMPARE(dealt, "ABC");
    }

    // Mid-cycle, removed phrases go, edits apply in place, added ones wait; no repeat across cycles.
    void reconcile()
    {
        QList<quint32> script{2, 1}; // identity shuffle: [A,B,C]
        PhraseDeck deck(scripted(script));
        QCOMPARE(deal(deck, "ABC"), "C");
        deck.reconcile(library("ACD"));
        QCOMPARE(deck.remaining(), library("A"));
        QCOMPARE(deck.lastID(), "C");
        QCOMPARE(deal(deck, "ACD"), "A");
        const QString next = deal(deck, "ACD", 3);
        QCOMPARE(QSet<QChar>(next.begin(), next.end()), (QSet<QChar>{u'A', u'C', u'D'}));

        script = {0, 0, 0}; // [B,C,D,A] after the shuffle
        PhraseDeck edited(scripted(script));
        QCOMPARE(deal(edited, "ABCD"), "A");
        edited.reconcile(library("DCBA") + library("C", "first edit") + library("C", "second edit")); // later wins
        QCOMPARE(edited.remaining(), library("B") + library("C", "second edit") + library("D"));

        script = {1}; // identity: [A,B]
        PhraseDeck shrunk(scripted(script));
        QCOMPARE(deal(shrunk, "AB"), "B");
        shrunk.reconcile(library("B")); // A removed: the cycle is over
        QVERIFY(shrunk.remaining().isEmpty());
        script = {1}; // A is back; the new cycle [A,B] would open with B again
        QCOMPARE(deal(shrunk, "AB"), "A");
    }
};

QTEST_GUILESS_MAIN(PhraseDeckTest)
#include "tst_phrase_deck.moc"
