#include "search_terms.h"

#include "match_scores.h"
#include "word_tables.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isApostrophe(QChar ch)
{
    return ch == u'\'' || ch == u'\u2019' || ch == u'\u02bc' || ch == u'`';
}

// Lower case without accents, split into words; an apostrophe between letters
// stays in its word ("don't") so that the contraction can be read.
QStringList foldedWords(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QStringList words;
    QString current;
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar ch = decomposed.at(i);
        const QChar::Category category = ch.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing)
            continue; // accents go, their letters stay
        if (ch.isLetterOrNumber()) {
            current += ch.toCaseFolded();
        } else if (isApostrophe(ch) && !current.isEmpty() && i + 1 < decomposed.size()
                   && decomposed.at(i + 1).isLetter()) {
            current += u'\'';
        } else if (!current.isEmpty()) {
            words.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        words.append(current);
    return words;
}

// "don't" → do not, "I'm" → I am, "shop's" → shop; chat spellings and
// two-in-one words from the expansion table.
void appendExpanded(QStringList &out, const QString &word)
{
    static const std::pair<QString, QString> endings[] = {
        {u"n't"_s, u"not"_s},  {u"'m"_s, u"am"_s},    {u"'re"_s, u"are"_s}, {u"'ll"_s, u"will"_s},
        {u"'ve"_s, u"have"_s}, {u"'d"_s, u"would"_s}, {u"'s"_s, QString()},
    };
    if (word.contains(u'\'')) {
        for (const auto &[ending, meaning] : endings) {
            if (word.size() > ending.size() && word.endsWith(ending)) {
                QString base = word.chopped(ending.size());
                if (base == u"ca"_s || base == u"wo"_s) // can't, won't
                    base = base == u"ca"_s ? u"can"_s : u"will"_s;
                appendExpanded(out, base);
                if (!meaning.isEmpty())
                    out.append(meaning);
                return;
            }
        }
        for (const QString &part : word.split(u'\'', Qt::SkipEmptyParts))
            appendExpanded(out, part);
        return;
    }
    const auto expansion = WordTables::expansions().constFind(word);
    if (expansion != WordTables::expansions().cend())
        out.append(expansion->split(u' '));
    else
        out.append(word);
}

bool isVowel(QChar ch)
{
    return ch == u'a' || ch == u'e' || ch == u'i' || ch == u'o' || ch == u'u';
}

bool hasVowel(QStringView word)
{
    return std::any_of(word.begin(), word.end(), isVowel);
}

// After "-ing" or "-ed": "stopp" → stop, "tak" → take, "clos" stays (close is
// cut to clos too).
QString restoreBase(QString base)
{
    const qsizetype n = base.size();
    if (n >= 2 && base.at(n - 1) == base.at(n - 2) && !isVowel(base.at(n - 1)) && base.at(n - 1) != u'l'
        && base.at(n - 1) != u's' && base.at(n - 1) != u'z')
        return base.chopped(1);
    if (n == 3 && !isVowel(base.at(0)) && isVowel(base.at(1)) && !isVowel(base.at(2)) && base.at(2) != u'w'
        && base.at(2) != u'x' && base.at(2) != u'y')
        return base + u'e';
    return base;
}

// A light English stemmer. It only has to bring the forms of one word to the
// same stem on both sides, not to find the dictionary word; Malay words pass
// through it the same way for cards and queries alike.
QString stem(const QString &word)
{
    const auto irregular = WordTables::irregularForms().constFind(word);
    if (irregular != WordTables::irregularForms().cend())
        return *irregular;
    const bool ascii = std::all_of(word.begin(), word.end(), [](QChar ch) { return ch.unicode() < 128; });
    if (word.size() <= 3 || !ascii)
        return word;
    QString w = word;
    if ((w.endsWith(u"ies"_s) || w.endsWith(u"ied"_s)) && w.size() > 4)
        w = w.chopped(3) + u'y';
    else if (w.endsWith(u"sses"_s))
        w.chop(2);
    else if (w.endsWith(u"shes"_s) || w.endsWith(u"ches"_s) || w.endsWith(u"xes"_s) || w.endsWith(u"zes"_s)
             || w.endsWith(u"oes"_s))
        w.chop(2);
    else if (w.endsWith(u's') && !w.endsWith(u"ss"_s) && !w.endsWith(u"us"_s) && !w.endsWith(u"is"_s))
        w.chop(1);

    if (w.endsWith(u"ing"_s) && w.size() - 3 >= 3 && hasVowel(QStringView(w).chopped(3)))
        w = restoreBase(w.chopped(3));
    else if (w.endsWith(u"ed"_s) && w.size() - 2 >= 3 && hasVowel(QStringView(w).chopped(2)))
        w = restoreBase(w.chopped(2));

    if (w.size() >= 5 && w.endsWith(u'e'))
        w.chop(1);
    return w;
}

// A table's words as terms, read the way text is.
QSet<QString> termsOf(const QSet<QString> &words)
{
    QSet<QString> terms;
    for (const QString &word : words)
        terms.insert(SearchTerms::termOf(word));
    return terms;
}

bool isKnownWord(const QString &word, const SpellingVocabulary &vocabulary)
{
    using namespace WordTables;
    return vocabulary.contains(word) || stopWords().contains(word) || weakWords().contains(word)
        || numberWords().contains(word) || synonyms().contains(word) || irregularForms().contains(word)
        || englishPronouns().first.contains(word) || englishPronouns().second.contains(word)
        || englishPossessives().first.contains(word) || englishPossessives().second.contains(word);
}

// Optimal string alignment distance (a swap of neighbours counts once), or
// limit + 1 once it is certain to exceed `limit`.
int editDistance(QStringView a, QStringView b, int limit)
{
    const qsizetype n = a.size(), m = b.size();
    if (std::abs(n - m) > limit)
        return limit + 1;
    QList<int> before(m + 1), previous(m + 1), current(m + 1);
    for (qsizetype j = 0; j <= m; ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        int rowBest = current[0];
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
            rowBest = std::min(rowBest, current[j]);
        }
        if (rowBest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[m];
}

struct CompoundTerm {
    QStringList terms;
    QString term;
};

// The compounds as terms, longest first so that "lost and found" wins over
// any shorter one starting the same way.
const QList<CompoundTerm> &compoundTerms()
{
    static const QList<CompoundTerm> list = [] {
        QList<CompoundTerm> compounds;
        for (const WordTables::Compound &compound : WordTables::compounds()) {
            QStringList terms;
            for (const QString &word : compound.words)
                terms.append(SearchTerms::termOf(word));
            compounds.append({terms, compound.term});
        }
        std::stable_sort(compounds.begin(), compounds.end(),
                         [](const CompoundTerm &a, const CompoundTerm &b) { return a.terms.size() > b.terms.size(); });
        return compounds;
    }();
    return list;
}

} // namespace

void SpellingVocabulary::add(const QString &word)
{
    if (word.isEmpty())
        return;
    if (m_counts[word]++ == 0)
        m_byFirstLetter[word.at(0)].append(word);
}

QString SpellingVocabulary::nearest(const QString &word) const
{
    constexpr qsizetype longestWord = 30;
    if (word.size() < MatchScores::shortestCorrected || word.size() > longestWord)
        return {};
    const int limit = word.size() >= MatchScores::shortestCorrectedTwice ? 2 : 1;
    QString best;
    int bestDistance = limit + 1;
    int bestCount = 0;
    for (const QString &candidate : m_byFirstLetter.value(word.at(0))) {
        const int distance = editDistance(word, candidate, limit);
        const int count = m_counts.value(candidate);
        if (distance < bestDistance || (distance == bestDistance && distance <= limit && count > bestCount)) {
            best = candidate;
            bestDistance = distance;
            bestCount = count;
        }
    }
    return bestDistance <= limit ? best : QString();
}

QStringList SearchTerms::surfaceWords(const QString &text)
{
    QStringList words;
    for (const QString &word : foldedWords(text))
        appendExpanded(words, word);
    return words;
}

QString SearchTerms::termOf(const QString &word)
{
    const auto synonym = WordTables::synonyms().constFind(word);
    return stem(synonym != WordTables::synonyms().cend() ? *synonym : word);
}

SearchTerms SearchTerms::read(const QString &text, const SpellingVocabulary *vocabulary)
{
    using namespace WordTables;
    static const QSet<QString> stopTerms = termsOf(stopWords());
    static const QSet<QString> weakTerms = termsOf(weakWords());

    SearchTerms result;
    const QStringList surface = surfaceWords(text);
    const auto notePerson = [](QByteArray &persons, const WordTables::PersonWords &table, const QString &word) {
        const char person = table.first.contains(word) ? '1' : table.second.contains(word) ? '2' : 0;
        if (person && !persons.contains(person))
            persons.append(person);
    };
    for (qsizetype i = 0; i < surface.size(); ++i) {
        if (i > 0 && (surface.at(i - 1) == u"excuse"_s || surface.at(i - 1) == u"pardon"_s))
            continue; // "excuse me" addresses the listener, it says nothing of who does what
        notePerson(result.englishPersons, WordTables::englishPronouns(), surface.at(i));
        notePerson(result.englishPossessives, WordTables::englishPossessives(), surface.at(i));
        notePerson(result.malayPersons, WordTables::malayPronouns(), surface.at(i));
    }

    // Every word as a term, misspellings corrected, before compounds join them.
    struct Word {
        QString surface;
        QString term;
        bool corrected = false;
    };
    QList<Word> words;
    int corrections = 0;
    for (const QString &original : surface) {
        Word word{original, QString(), false};
        if (vocabulary && corrections < MatchScores::mostCorrectedWords && !original.at(0).isDigit()
            && !isKnownWord(original, *vocabulary)) {
            ++corrections;
            if (const QString nearest = vocabulary->nearest(original); !nearest.isEmpty()) {
                word.surface = nearest;
                word.corrected = true;
            }
        }
        word.term = termOf(word.surface);
        words.append(word);
    }

    QList<Word> joined;
    for (qsizetype i = 0; i < words.size();) {
        const CompoundTerm *found = nullptr;
        for (const CompoundTerm &compound : compoundTerms()) {
            if (i + compound.terms.size() > words.size())
                continue;
            bool same = true;
            for (qsizetype k = 0; same && k < compound.terms.size(); ++k)
                same = words.at(i + k).term == compound.terms.at(k);
            if (same) {
                found = &compound;
                break;
            }
        }
        if (found) {
            bool corrected = false;
            for (qsizetype k = 0; k < found->terms.size(); ++k)
                corrected = corrected || words.at(i + k).corrected;
            joined.append({found->term, found->term, corrected});
            i += found->terms.size();
        } else {
            joined.append(words.at(i++));
        }
    }

    QSet<QString> seen;
    for (const Word &word : std::as_const(joined)) {
        if (word.surface.at(0).isDigit() || numberWords().contains(word.surface) || stopWords().contains(word.surface)
            || stopTerms.contains(word.term) || seen.contains(word.term))
            continue;
        seen.insert(word.term);
        result.terms.append(
            {word.term, weakWords().contains(word.surface) || weakTerms.contains(word.term), word.corrected});
    }
    return result;
}

QStringList SearchTerms::texts() const
{
    QStringList list;
    for (const Term &term : terms)
        list.append(term.text);
    return list;
}

namespace ContrastSides {

QSet<int> of(const QList<SearchTerms::Term> &terms)
{
    static const QHash<QString, QList<int>> sidesOfTerm = [] {
        QHash<QString, QList<int>> hash;
        const QList<WordTables::ContrastGroup> &groups = WordTables::contrastGroups();
        for (qsizetype group = 0; group < groups.size(); ++group)
            for (qsizetype side = 0; side < groups.at(group).size(); ++side)
                for (const QString &word : groups.at(group).at(side))
                    hash[SearchTerms::termOf(word)].append(int(group) * sidesPerGroup + int(side));
        return hash;
    }();
    QSet<int> sides;
    for (const SearchTerms::Term &term : terms)
        for (const int side : sidesOfTerm.value(term.text))
            sides.insert(side);
    return sides;
}

bool disagree(const QSet<int> &query, const QSet<int> &card)
{
    for (const int side : query) {
        const int group = side / sidesPerGroup;
        bool cardSaysGroup = false;
        bool shared = false;
        for (const int other : card) {
            if (other / sidesPerGroup != group)
                continue;
            cardSaysGroup = true;
            shared = shared || query.contains(other);
        }
        if (cardSaysGroup && !shared)
            return true;
    }
    return false;
}

} // namespace ContrastSides

bool personsDisagree(const QByteArray &query, const QByteArray &card, bool ordered)
{
    if (query.isEmpty() || card.isEmpty())
        return false;
    const bool shared = std::any_of(query.begin(), query.end(), [&](char person) { return card.contains(person); });
    return !shared || (ordered && query.size() == 2 && card.size() == 2 && query != card);
}
