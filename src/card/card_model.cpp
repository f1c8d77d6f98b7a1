#include "card/card_model.h"

#include "card/card_messages.h"

#include <QVariantList>

CardModel::CardModel(QObject *parent) : QObject(parent) {}

void CardModel::setPhrase(std::optional<Phrase> phrase)
{
    if (m_phrase == phrase)
        return;
    m_phrase = std::move(phrase);
    Q_EMIT phraseChanged();
}

void CardModel::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    Q_EMIT expandedChanged();
}

void CardModel::setState(PhraseStore::State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
    Q_EMIT messageChanged();
}

void CardModel::setDetail(const QString &detail)
{
    if (m_detail == detail)
        return;
    m_detail = detail;
    Q_EMIT detailChanged();
    Q_EMIT messageChanged();
}

QVariantMap CardModel::phraseForView() const
{
    if (!m_phrase)
        return {};
    QVariantList words;
    for (const Phrase::Word &word : m_phrase->words)
        words.append(QVariantMap{{QStringLiteral("malay"), word.malay}, {QStringLiteral("english"), word.english}});
    QVariantList examples;
    for (const Phrase::Example &example : m_phrase->usageExamples)
        examples.append(QVariantMap{{QStringLiteral("malay"), example.malay},
                                    {QStringLiteral("english"), example.english},
                                    {QStringLiteral("situation"), example.situation}});
    return {{QStringLiteral("malay"), m_phrase->malay},
            {QStringLiteral("english"), m_phrase->english},
            {QStringLiteral("category"), m_phrase->category},
            {QStringLiteral("context"), m_phrase->context},
            {QStringLiteral("words"), words},
            {QStringLiteral("notes"), QVariant(m_phrase->notes)},
            {QStringLiteral("usageExamples"), examples}};
}

QVariantMap CardModel::messageForView() const
{
    const CardMessage message = cardMessage(m_state, m_detail);
    return {{QStringLiteral("shortTitle"), message.shortTitle},
            {QStringLiteral("longTitle"), message.longTitle},
            {QStringLiteral("body"), message.body},
            {QStringLiteral("actionLabel"), message.actionLabel}};
}
