#pragma once

#include "library/phrase.h"
#include "library/result.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The error kinds of phrase lookup, each with the text the learner sees.
class LookupError {
public:
    enum class Kind { rejected, signedOut, accountChanged, unavailable, invalidResponse };

    static LookupError rejected(QString message) { return LookupError(Kind::rejected, std::move(message)); }
    static LookupError signedOut() { return LookupError(Kind::signedOut); }
    static LookupError accountChanged() { return LookupError(Kind::accountChanged); }
    static LookupError unavailable() { return LookupError(Kind::unavailable); }
    static LookupError invalidResponse() { return LookupError(Kind::invalidResponse); }

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; } // the payload of `rejected`
    QString description() const;                  // the learner-facing text

    bool operator==(const LookupError &) const = default;

private:
    explicit LookupError(Kind kind, QString message = {}) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind;
    QString m_message;
};

// One complete phrase card returned by a lookup (and sent back to be saved).
struct LookupPhrase {
    struct Related {
        QString malay;
        QString english;
        bool operator==(const Related &) const = default;
    };

    QString malay;
    QString english;
    QString register_; // "register" is a keyword in C++
    QString context;
    QList<Phrase::Example> usageExamples;
    QStringList notes;
    QList<Related> relatedPhrases;
    QList<Phrase::Word> words;
    std::optional<QString> scenario;

    bool operator==(const LookupPhrase &) const = default;

    bool isValid() const;
    QJsonObject toJson() const;                                           // an absent scenario is omitted
    static std::optional<LookupPhrase> fromJson(const QJsonValue &value); // nullopt: decoding failure
};

// The body of a successful lookup answer.
struct LookupEnvelope {
    // A decoding failure (not JSON, missing/null/mistyped key), or a lookup error.
    struct Failure {
        std::optional<LookupError> error; // absent for a decoding failure
        bool isDecoding() const { return !error.has_value(); }
        bool operator==(const Failure &) const = default;
    };

    int version = 1;
    QString userID;
    LookupPhrase phrase;

    static Result<LookupPhrase, Failure> decode(const QByteArray &bytes, const QString &userID);
    QJsonObject toJson() const;
};
