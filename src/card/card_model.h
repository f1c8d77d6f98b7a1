#pragma once

#include "library/phrase.h"
#include "library/phrase_store.h"

#include <QObject>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <optional>

// What the floating card shows, and where its gestures go. The card panel
// writes phrase, expanded, state and detail; the QML card reads the
// properties and emits the gesture signals, which the controller handles.
class CardModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The card panel makes the card's model")
    Q_PROPERTY(QVariantMap phrase READ phraseForView NOTIFY phraseChanged)
    Q_PROPERTY(bool hasPhrase READ hasPhrase NOTIFY phraseChanged)
    Q_PROPERTY(bool expanded READ expanded WRITE setExpanded NOTIFY expandedChanged)
    Q_PROPERTY(PhraseStore::State state READ state WRITE setState NOTIFY stateChanged)
    Q_PROPERTY(QString detail READ detail WRITE setDetail NOTIFY detailChanged)
    Q_PROPERTY(QVariantMap message READ messageForView NOTIFY messageChanged)
public:
    explicit CardModel(QObject *parent = nullptr);

    std::optional<Phrase> phrase() const { return m_phrase; }
    void setPhrase(std::optional<Phrase> phrase);
    bool hasPhrase() const { return m_phrase.has_value(); }

    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    PhraseStore::State state() const { return m_state; }
    void setState(PhraseStore::State state);

    QString detail() const { return m_detail; }
    void setDetail(const QString &detail);

    // The phrase as QML sees it: malay, english, category, context, words
    // [{malay, english}], notes [text], usageExamples [{malay, english,
    // situation}]; empty without a phrase.
    QVariantMap phraseForView() const;
    // The message card's texts for the current state and detail:
    // shortTitle, longTitle, body, actionLabel.
    QVariantMap messageForView() const;

    // The learner pressed into the card's text to select it: the panel
    // gives the card the keyboard, for Ctrl+C.
    Q_INVOKABLE void wantKeyboard() { Q_EMIT keyboardWanted(); }

Q_SIGNALS:
    // The card's gestures, emitted by the QML card.
    void hover(bool inside);
    void dismiss();
    void next();
    void open();
    void lookup();
    void expand();
    void action();

    void phraseChanged();
    void expandedChanged();
    void stateChanged();
    void detailChanged();
    void messageChanged();
    void keyboardWanted();

private:
    std::optional<Phrase> m_phrase;
    bool m_expanded = false;
    PhraseStore::State m_state = PhraseStore::State::signedOut;
    QString m_detail;
};
