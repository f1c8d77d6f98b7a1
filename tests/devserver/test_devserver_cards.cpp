// The built-in phrase cards the stand-in web app answers lookups from.
#include "lookup/lookup_phrase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class DevServerCardsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFile file(qEnvironmentVariable("PELORA_SOURCE_DIR") + u"/devserver/phrase_cards.json"_s);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(document.isArray());
        m_cards = document.array();
    }

    void everyCardIsComplete()
    {
        for (qsizetype i = 0; i < m_cards.size(); ++i) {
            const std::optional<LookupPhrase> card = LookupPhrase::fromJson(m_cards.at(i));
            QVERIFY2(card, qPrintable(u"card %1 does not decode"_s.arg(i + 1)));
            QVERIFY2(card->isValid(), qPrintable(u"card %1 (%2) is incomplete"_s.arg(i + 1).arg(card->malay)));
            // Saved phrases feed these texts to the companion's library, whose
            // own limits must hold as well.
            QVERIFY(card->words.size() <= 80);
        }
    }

    void collectionCoversEverySettingAndRegister()
    {
        QVERIFY2(m_cards.size() >= 150, qPrintable(QString::number(m_cards.size())));
        QMap<QString, int> settings;
        QMap<QString, int> registers;
        QSet<QString> malay;
        for (const QJsonValue &value : std::as_const(m_cards)) {
            const LookupPhrase card = *LookupPhrase::fromJson(value);
            QVERIFY2(card.scenario, qPrintable(card.malay));
            ++settings[*card.scenario];
            ++registers[card.register_];
            const QString key = card.malay.simplified().toCaseFolded();
            QVERIFY2(!malay.contains(key), qPrintable(u"twice: "_s + card.malay));
            malay.insert(key);
        }
        QCOMPARE(settings.keys(), (QStringList{u"errands"_s, u"general"_s, u"hawker"_s, u"kopitiam"_s, u"office"_s,
                                               u"signs"_s, u"transit"_s}));
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            QVERIFY2(it.value() >= 15, qPrintable(it.key()));
        QCOMPARE(registers.keys(), (QStringList{u"casual"_s, u"formal"_s, u"polite"_s}));
    }

private:
    QJsonArray m_cards;
};

QTEST_GUILESS_MAIN(DevServerCardsTest)
#include "test_devserver_cards.moc"
