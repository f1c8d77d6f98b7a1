#pragma once

// Every number that decides whether a lookup finds a card, in one place.
//
// A query is read into terms (see search_terms.h). Each term carries a weight;
// a card answers with a quality between 0 and 1 for each term, by where the
// term is found on it. The card's score is the weighted share of the query it
// answers: sum(weight × quality) / sum(weight), from 0 to 1. A card is an
// answer only when it clears one of the two bars below and no meaning-changing
// word of the query disagrees with it; otherwise the lookup has no match.
namespace MatchScores {

// Where a term is found on the card. The meaning and the phrase itself say
// what the card is; the other ways of saying it nearly so; the word glosses
// name its parts; the context and examples only describe when it is used.
constexpr double meaningQuality = 1.0; // the English meaning or the Malay phrase
constexpr double relatedQuality = 0.9; // a related phrase, either language
constexpr double glossQuality = 0.8;   // a word-by-word gloss, either language
constexpr double settingQuality = 0.5; // context, the examples' situations, the setting's name

// A query word read as a known word one or two letters away ("resturant")
// counts a little less than the word itself.
constexpr double correctedFactor = 0.9;

// Term weights. Rare words tell cards apart, so a content word weighs
// ln(cards / cards with the word), kept between these bounds. A word no card
// knows weighs the most: a query about something the collection lacks must not
// be answered by a card that matches only its small words.
constexpr double minimumWeight = 0.5;
constexpr double maximumWeight = 4.0;
constexpr double unknownWeight = maximumWeight;
// Question words, pronouns and light verbs (where, you, get, need…) shape a
// question but rarely decide which card it means.
constexpr double weakWeight = 0.5;

// Bar 1, a phrase: the card answers at least this share of the query.
constexpr double phraseBar = 0.7;
// Bar 2, a situation ("ordering at a hawker stall"): every content word is
// found somewhere on the card, even if only in its context, and the card
// answers at least this share.
constexpr double situationBar = 0.5;

// Misspellings are corrected only in words this long, one letter off from five
// letters on and two letters off from eight on; shorter words have too many
// neighbours ("visa" is one letter from "via").
constexpr int shortestCorrected = 5;
constexpr int shortestCorrectedTwice = 8;
// At most this many words of a query are looked up for a correction.
constexpr int mostCorrectedWords = 32;

} // namespace MatchScores
