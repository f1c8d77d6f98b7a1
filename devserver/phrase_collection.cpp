#include "phrase_collection.h"

#include "match_scores.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

void addTerms(QHash<QString, double> &quality, const QString &text, double value)
{
    for (const SearchTerms::Term &term : SearchTerms::read(text).terms) {
        double &best = quality[term.text];
        best = std::max(best, value);
    }
}

QSet<QString> contentTerms(const SearchTerms &terms)
{
    QSet<QString> set;
    for (const SearchTerms::Term &term : terms.terms)
        if (!term.weak)
            set.insert(term.text);
    return set;
}

// How much of a card a query leaves unsaid: the content terms of the card's
// closest wording that the query does not name.
qsizetype unaskedTerms(const QList<QSet<QString>> &wordings, const QSet<QString> &query)
{
    qsizetype fewest = std::numeric_limits<qsizetype>::max();
    for (const QSet<QString> &terms : wordings)
        fewest = std::min(fewest, qsizetype(std::count_if(terms.begin(), terms.end(), [&](const QString &term) {
                              return !query.contains(term);
                          })));
    return fewest;
}

} // namespace

PhraseCollection::Index PhraseCollection::indexCard(const LookupPhrase &card)
{
    using namespace MatchScores;
    Index index;
    addTerms(index.quality, card.context + u' ' + card.scenario.value_or(QString()), settingQuality);
    // The examples' own sentences are other phrases; only their situations describe this one.
    for (const Phrase::Example &example : card.usageExamples)
        addTerms(index.quality, example.situation, settingQuality);
    for (const Phrase::Word &word : card.words)
        addTerms(index.quality, word.malay + u' ' + word.english, glossQuality);
    for (const LookupPhrase::Related &related : card.relatedPhrases) {
        addTerms(index.quality, related.english, relatedQuality);
        addTerms(index.quality, related.malay, relatedQuality);
        index.wordings.append(contentTerms(SearchTerms::read(related.english)));
        index.wordings.append(contentTerms(SearchTerms::read(related.malay)));
    }
    const SearchTerms meaning = SearchTerms::read(card.english);
    const SearchTerms phrase = SearchTerms::read(card.malay);
    addTerms(index.quality, card.english, meaningQuality);
    addTerms(index.quality, card.malay, meaningQuality);
    index.wordings.append(contentTerms(meaning));
    index.wordings.append(contentTerms(phrase));
    index.sides = ContrastSides::of(meaning.terms) + ContrastSides::of(phrase.terms);
    index.englishPersons = meaning.englishPersons;
    index.englishPossessives = meaning.englishPossessives;
    index.malayPersons = phrase.malayPersons;
    return index;
}

std::optional<PhraseCollection> PhraseCollection::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray()) {
        *error = u"the phrase cards are not a JSON array: "_s + parseError.errorString();
        return std::nullopt;
    }

    PhraseCollection collection;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const std::optional<LookupPhrase> card = LookupPhrase::fromJson(array.at(i));
        if (!card || !card->isValid()) {
            *error = u"phrase card %1 is incomplete"_s.arg(i + 1);
            return std::nullopt;
        }
        Index index = indexCard(*card);
        for (auto it = index.quality.cbegin(); it != index.quality.cend(); ++it)
            if (it.value() >= MatchScores::glossQuality)
                ++collection.m_cardsWithTerm[it.key()];
        const QStringList texts{card->english, card->malay, card->context};
        for (const QString &text : texts)
            for (const QString &word : SearchTerms::surfaceWords(text))
                collection.m_vocabulary.add(word);
        for (const Phrase::Word &word : card->words)
            for (const QString &surface : SearchTerms::surfaceWords(word.malay + u' ' + word.english))
                collection.m_vocabulary.add(surface);
        for (const LookupPhrase::Related &related : card->relatedPhrases)
            for (const QString &surface : SearchTerms::surfaceWords(related.english + u' ' + related.malay))
                collection.m_vocabulary.add(surface);
        collection.m_cards.append(*card);
        collection.m_index.append(std::move(index));
    }
    return collection;
}

double PhraseCollection::weight(const SearchTerms::Term &term, bool weakOnly) const
{
    using namespace MatchScores;
    if (term.weak && !weakOnly)
        return weakWeight;
    const int cards = m_cardsWithTerm.value(term.text);
    if (cards == 0)
        return unknownWeight;
    return std::clamp(std::log(double(m_cards.size()) / cards), minimumWeight, maximumWeight);
}

std::optional<qsizetype> PhraseCollection::bestMatch(const QString &query) const
{
    using namespace MatchScores;
    const SearchTerms asked = SearchTerms::read(query, &m_vocabulary);
    if (asked.terms.isEmpty())
        return std::nullopt;
    // A query of weak words only ("how are you", "me too") is searched by them.
    const bool weakOnly =
        std::all_of(asked.terms.begin(), asked.terms.end(), [](const SearchTerms::Term &term) { return term.weak; });
    QList<double> weights;
    double total = 0;
    for (const SearchTerms::Term &term : asked.terms)
        total += weights.emplace_back(weight(term, weakOnly));
    const QSet<int> sides = ContrastSides::of(asked.terms);
    const QStringList askedTexts = asked.texts();
    const QSet<QString> askedSet(askedTexts.begin(), askedTexts.end());

    std::optional<qsizetype> best;
    double bestScore = 0;
    qsizetype bestUnasked = 0;
    for (qsizetype i = 0; i < m_index.size(); ++i) {
        const Index &index = m_index.at(i);
        if (ContrastSides::disagree(sides, index.sides)
            || personsDisagree(asked.englishPersons, index.englishPersons, true)
            || personsDisagree(asked.englishPossessives, index.englishPossessives, false)
            || personsDisagree(asked.malayPersons, index.malayPersons, true))
            continue;
        double answered = 0;
        bool everyWordFound = true;
        bool anyContentFound = false;
        for (qsizetype t = 0; t < asked.terms.size(); ++t) {
            const SearchTerms::Term &term = asked.terms.at(t);
            const double quality = index.quality.value(term.text) * (term.corrected ? correctedFactor : 1.0);
            answered += weights.at(t) * quality;
            const bool content = weakOnly || !term.weak;
            everyWordFound = everyWordFound && (quality > 0 || !content);
            anyContentFound = anyContentFound || (quality > 0 && content);
        }
        const double score = answered / total;
        if (!anyContentFound || (score < phraseBar && !(everyWordFound && score >= situationBar)))
            continue;
        // Strictly better only: on a full tie the earlier card stays.
        constexpr double sameScore = 1e-9;
        const qsizetype unasked = unaskedTerms(index.wordings, askedSet);
        if (!best || score > bestScore + sameScore || (score > bestScore - sameScore && unasked < bestUnasked)) {
            best = i;
            bestScore = score;
            bestUnasked = unasked;
        }
    }
    return best;
}
