#include "card/card_messages.h"

#include "card/key_texts.h"

CardMessage cardMessage(PhraseStore::State state, const QString &detail)
{
    using State = PhraseStore::State;
    const QString reconnect = QStringLiteral("Let’s reconnect.");
    const QString tryAgain = QStringLiteral("Try again");
    switch (state) {
    case State::signedOut:
        return {QStringLiteral("Your Malay, a little closer."),
                QStringLiteral("A small moment for the Malay you’ve saved."),
                QStringLiteral("Sign in to your Pelora account. A phrase from your own library will "
                               "find its way here, at your chosen pace."),
                QStringLiteral("Sign in to Pelora")};
    case State::loading:
        return {QStringLiteral("A little moment…"), QStringLiteral("A little moment…"), detail, tryAgain};
    case State::ready:
    case State::unavailable:
        return {reconnect, reconnect, detail, tryAgain};
    case State::empty:
        return {QStringLiteral("Your first phrase starts here."), QStringLiteral("Your first phrase starts here."),
                QStringLiteral("Look up a phrase here on your %1 and save it to your library. "
                               "A few words, a little more often.")
                    .arg(KeyTexts::computer()),
                QStringLiteral("Look up a phrase")};
    }
    return {reconnect, reconnect, detail, tryAgain};
}
