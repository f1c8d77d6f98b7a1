#include "phrase_collection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

using namespace Qt::StringLiterals;

namespace {

// Words that say nothing about which phrase is meant ("how do I say … in Malay").
const QSet<QString> &fillerWords()
{
    static const QSet<QString> words{
        u"a"_s,   u"an"_s,    u"the"_s,  u"to"_s,   u"of"_s,    u"in"_s,  u"on"_s,   u"at"_s,
        u"is"_s,  u"are"_s,   u"am"_s,   u"be"_s,   u"i"_s,     u"me"_s,  u"my"_s,   u"it"_s,
        u"do"_s,  u"does"_s,  u"how"_s,  u"what"_s, u"say"_s,   u"and"_s, u"or"_s,   u"malay"_s,
        u"bahasa"_s, u"melayu"_s, u"you"_s, u"your"_s, u"s"_s, u"t"_s, u"saying"_s, u"word"_s,
    };
    return words;
}

constexpr int englishWeight = 4;
constexpr int malayWeight = 4;
constexpr int glossWeight = 2;
constexpr int situationWeight = 1;
constexpr int wholePhraseBonus = 20;
constexpr int minimumPrefix = 4;

void addWords(QSet<QString> &set, const QString &text)
{
    for (const QString &word : PhraseCollection::searchWords(text))
        set.insert(word);
}

// Full weight for the same word, half for one that begins the other
// ("train" and "trains", "makan" and "makanan").
int weightIn(const QSet<QString> &set, const QString &word, int weight)
{
    if (set.contains(word))
        return weight * 2;
    if (word.size() < minimumPrefix)
        return 0;
    for (const QString &candidate : set)
        if (candidate.size() >= minimumPrefix && (candidate.startsWith(word) || word.startsWith(candidate)))
            return weight;
    return 0;
}

} // namespace

QStringList PhraseCollection::searchWords(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QStringList words;
    QString current;
    for (const QChar ch : decomposed) {
        const QChar::Category category = ch.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing)
            continue; // accents go, their letters stay
        if (ch.isLetterOrNumber()) {
            current += ch.toCaseFolded();
        } else if (!current.isEmpty()) {
            words.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        words.append(current);
    return words;
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
        Index index;
        addWords(index.english, card->english);
        addWords(index.malay, card->malay);
        for (const LookupPhrase::Related &related : card->relatedPhrases) {
            addWords(index.english, related.english);
            addWords(index.malay, related.malay);
        }
        for (const Phrase::Word &word : card->words) {
            addWords(index.words, word.malay);
            addWords(index.words, word.english);
        }
        addWords(index.situations, card->context);
        for (const Phrase::Example &example : card->usageExamples) {
            addWords(index.situations, example.situation);
            addWords(index.situations, example.english);
            addWords(index.situations, example.malay);
        }
        index.englishPhrase = searchWords(card->english).join(u' ');
        index.malayPhrase = searchWords(card->malay).join(u' ');
        collection.m_cards.append(*card);
        collection.m_index.append(std::move(index));
    }
    return collection;
}

int PhraseCollection::score(const Index &index, const QStringList &queryWords, const QString &queryPhrase,
                            int *matchedWords) const
{
    int total = 0;
    *matchedWords = 0;
    for (const QString &word : queryWords) {
        const int best = std::max({weightIn(index.english, word, englishWeight),
                                   weightIn(index.malay, word, malayWeight),
                                   weightIn(index.words, word, glossWeight),
                                   weightIn(index.situations, word, situationWeight)});
        total += best;
        if (best > 0)
            ++*matchedWords;
    }
    if (queryPhrase == index.englishPhrase || queryPhrase == index.malayPhrase)
        total += wholePhraseBonus;
    return total;
}

std::optional<qsizetype> PhraseCollection::bestMatch(const QString &query) const
{
    const QStringList allWords = searchWords(query);
    const QString queryPhrase = allWords.join(u' ');
    QStringList meaningful;
    for (const QString &word : allWords)
        if (!fillerWords().contains(word) && !meaningful.contains(word))
            meaningful.append(word);
    // A query of filler words only ("how are you") is searched as it stands.
    const QStringList &queryWords = meaningful.isEmpty() ? allWords : meaningful;
    if (queryWords.isEmpty())
        return std::nullopt;

    // Ranked by how many query words were found, then by score, then by how
    // few words of the card's meaning the query left out (the closer card),
    // then by position in the collection.
    struct Rank {
        int score = 0;
        int matched = 0;
        int unmatchedMeaning = 0;
        bool beats(const Rank &other) const
        {
            if (matched != other.matched)
                return matched > other.matched;
            if (score != other.score)
                return score > other.score;
            return unmatchedMeaning < other.unmatchedMeaning;
        }
    };
    std::optional<qsizetype> best;
    Rank bestRank;
    for (qsizetype i = 0; i < m_index.size(); ++i) {
        const Index &index = m_index.at(i);
        Rank rank;
        rank.score = score(index, queryWords, queryPhrase, &rank.matched);
        if (rank.score == 0)
            continue;
        for (const QString &word : searchWords(m_cards.at(i).english))
            if (!allWords.contains(word))
                ++rank.unmatchedMeaning;
        // Strictly better only: on a full tie the earlier card stays.
        if (!best || rank.beats(bestRank)) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}
