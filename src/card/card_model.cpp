#include "card/card_model.h"

#include "card/card_messages.h"

#include <QVariantList>

using namespace Qt::StringLiterals;

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
        words.append(QVariantMap{{u"malay"_s, word.malay}, {u"english"_s, word.english}});
    QVariantList examples;
    for (const Phrase::Example &example : m_phrase->usageExamples)
        examples.append(QVariantMap{
            {u"malay"_s, example.malay}, {u"english"_s, example.english}, {u"situation"_s, example.situation}});
    return {{u"malay"_s, m_phrase->malay},
            {u"english"_s, m_phrase->english},
            {u"category"_s, m_phrase->category},
            {u"context"_s, m_phrase->context},
            {u"words"_s, words},
            {u"notes"_s, QVariant(m_phrase->notes)},
            {u"usageExamples"_s, examples}};
}

QVariantMap CardModel::messageForView() const
{
    const CardMessage message = cardMessage(m_state, m_detail);
    return {{u"shortTitle"_s, message.shortTitle},
            {u"longTitle"_s, message.longTitle},
            {u"body"_s, message.body},
            {u"actionLabel"_s, message.actionLabel}};
}
