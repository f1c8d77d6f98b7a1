#include "card/card_messages.h"

#include "card/key_texts.h"

using namespace Qt::StringLiterals;

CardMessage cardMessage(PhraseStore::State state, const QString &detail)
{
    using State = PhraseStore::State;
    const QString reconnect = u"Let’s reconnect."_s;
    const QString tryAgain = u"Try again"_s;
    switch (state) {
    case State::signedOut:
        return {u"Your Malay, a little closer."_s, u"A small moment for the Malay you’ve saved."_s,
                u"Sign in to your Pelora account. A phrase from your own library will "
                u"find its way here, at your chosen pace."_s,
                u"Sign in to Pelora"_s};
    case State::loading:
        return {u"A little moment…"_s, u"A little moment…"_s, detail, tryAgain};
    case State::ready:
    case State::unavailable:
        return {reconnect, reconnect, detail, tryAgain};
    case State::empty:
        return {u"Your first phrase starts here."_s, u"Your first phrase starts here."_s,
                u"Look up a phrase here on your %1 and save it to your library. "
                u"A few words, a little more often."_s.arg(KeyTexts::computer()),
                u"Look up a phrase"_s};
    }
    return {reconnect, reconnect, detail, tryAgain};
}
