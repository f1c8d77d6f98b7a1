#pragma once

#include "lookup/lookup_phrase.h"
#include "lookup/phrase_lookup_api.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

// The observable state behind the lookup window: the query, the card that
// came back, where the lookup-and-save flow stands and the one message to
// show. Answers of abandoned requests are recognised by a generation counter
// and dropped.
class PhraseLookupModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QVariantMap phrase READ phraseMap NOTIFY phraseChanged)
    Q_PROPERTY(bool hasPhrase READ hasPhrase NOTIFY phraseChanged)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString phaseName READ phaseName NOTIFY phaseChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY errorChanged)
    Q_PROPERTY(bool signedIn READ signedIn NOTIFY signedInChanged)
    Q_PROPERTY(bool queryTooLong READ queryTooLong NOTIFY queryChanged)
    Q_PROPERTY(int maxQueryLength READ maxQueryLengthForView CONSTANT)
    Q_PROPERTY(bool busy READ busy NOTIFY phaseChanged)
    Q_PROPERTY(bool canLookup READ canLookup NOTIFY availabilityChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY availabilityChanged)

public:
    // The view compares `phase` with these keys, scoped
    // (PhraseLookupModel.Phase.lookingUp): QML finds unscoped enum keys only
    // when they start with a capital letter.
    enum class Phase { idle, lookingUp, preview, saving, saved, saveUncertain };
    Q_ENUM(Phase)

    static constexpr qsizetype maxQueryLength = 500; // UTF-16 code units
    static int maxQueryLengthForView() { return int(maxQueryLength); }

    explicit PhraseLookupModel(QObject *parent = nullptr);
    ~PhraseLookupModel() override;

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    const std::optional<LookupPhrase> &phrase() const { return m_phrase; }
    QVariantMap phraseMap() const; // the card's fields by their JSON names; empty when absent
    bool hasPhrase() const { return m_phrase.has_value(); }
    Phase phase() const { return m_phase; }
    QString phaseName() const; // the phase's key, "lookingUp": for tests and logs
    const std::optional<QString> &error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    bool hasError() const { return m_error.has_value(); }
    bool signedIn() const { return m_signedIn; }

    QString trimmedQuery() const { return m_query.trimmed(); }
    bool queryTooLong() const { return trimmedQuery().size() > maxQueryLength; }
    bool busy() const { return m_phase == Phase::lookingUp || m_phase == Phase::saving; }
    bool canLookup() const;
    bool canSave() const;

    // Attaches a client (after clearing everything); the model owns it until
    // the next connect or clear.
    void connect(std::unique_ptr<PhraseLookupAPI> api);
    // Detaches the client, ends its requests and returns to the initial state.
    Q_INVOKABLE void clear();
    Q_INVOKABLE void lookup();
    Q_INVOKABLE void save();
    Q_INVOKABLE void cancelLookup();
    Q_INVOKABLE void discard();
Q_SIGNALS:
    void queryChanged();
    void phraseChanged();
    void phaseChanged();
    void errorChanged();
    void signedInChanged();
    void availabilityChanged(); // canLookup or canSave may have changed
    // The view's sign-in and "Check my phrasebook" buttons.
    void signIn();
    void openLibrary();
    // A save went through: the library has a new phrase.
    void saved();
    // The server no longer knows the account the client was made for.
    void accountInvalid();

private:
    void finishLookup(quint64 generation, const LookupOutcome<LookupPhrase> &outcome);
    void finishSave(quint64 generation, const LookupOutcome<QString> &outcome);
    // True when the answer of the request started under `generation` may be
    // applied; the request is then no longer in flight.
    bool takeCurrent(quint64 generation);
    // Makes the answer of the request in flight stale and stops its transfer.
    void cancelTask();
    void handle(const LookupFailure &failure);

    void setPhrase(std::optional<LookupPhrase> phrase);
    void setPhase(Phase phase);
    void setError(std::optional<QString> error);
    void setSignedIn(bool signedIn);
    // Emits availabilityChanged when one of the derived flags changed.
    void noteAvailability(bool couldLookup, bool couldSave);

    QString m_query;
    std::optional<LookupPhrase> m_phrase;
    Phase m_phase = Phase::idle;
    std::optional<QString> m_error;
    bool m_signedIn = false;
    std::unique_ptr<PhraseLookupAPI> m_api;
    bool m_requestInFlight = false;
    quint64 m_generation = 0; // a newer request, a cancel or a clear makes older answers stale
};
