#pragma once

#include "library/result.h"
#include "lookup/lookup_phrase.h"

#include <QNetworkReply>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

// Why a lookup or save produced no value. The lookup model turns each kind
// into a different message, so the kinds stay apart:
// - lookup:    one of the lookup error cases (signed out, account changed, …);
// - decoding:  a success body that does not have the expected JSON form;
// - transport: the request did not produce an HTTP answer (no connection,
//              time-out, …); networkError() says which;
// - cancelled: the request was ended by cancel() or abandonRequests() before
//              its answer was used.
class LookupFailure {
public:
    enum class Kind { lookup, decoding, transport, cancelled };

    LookupFailure(LookupError error) : m_kind(Kind::lookup), m_error(std::move(error)) {}
    static LookupFailure decoding() { return LookupFailure(Kind::decoding); }
    static LookupFailure transport(QNetworkReply::NetworkError code) { return LookupFailure(Kind::transport, code); }
    static LookupFailure cancelled() { return LookupFailure(Kind::cancelled, QNetworkReply::OperationCanceledError); }

    Kind kind() const { return m_kind; }
    // The lookup error, for Kind::lookup only.
    const std::optional<LookupError> &lookupError() const { return m_error; }
    bool is(LookupError::Kind kind) const { return m_error && m_error->kind() == kind; }
    QNetworkReply::NetworkError networkError() const { return m_network; }

    bool operator==(const LookupFailure &) const = default;

private:
    explicit LookupFailure(Kind kind, QNetworkReply::NetworkError network = QNetworkReply::NoError)
        : m_kind(kind),
          m_network(network)
    {
    }

    Kind m_kind;
    std::optional<LookupError> m_error;
    QNetworkReply::NetworkError m_network = QNetworkReply::NoError;
};

template <typename T> using LookupOutcome = Result<T, LookupFailure>;

// What the lookup model needs of the web app: turn a query into a card, save
// a card. CompanionPhraseAPI talks HTTP; tests put a scripted client here.
class PhraseLookupAPI {
public:
    virtual ~PhraseLookupAPI() = default;

    // The card for what the learner typed.
    virtual QCoro::Task<LookupOutcome<LookupPhrase>> lookup(QString query) = 0;

    // Saves the card to the learner's phrasebook; the value is the id the web
    // app gave the saved phrase.
    virtual QCoro::Task<LookupOutcome<QString>> save(LookupPhrase phrase) = 0;

    // Ends every request in flight for good; the client sends nothing more.
    virtual void cancel() = 0;

    // Ends the requests in flight (they fail as cancelled) and stays usable;
    // the model calls it when the learner abandons a lookup. A client that
    // cannot end a single request lets it run: the model ignores its answer.
    virtual void abandonRequests() {}
};
