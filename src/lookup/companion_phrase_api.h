#pragma once

#include "lookup/phrase_lookup_api.h"

#include <QJsonObject>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <memory>

class QNetworkAccessManager;
class SessionCookies;

// The HTTP client of the web app's companion API: POST origin +
// "api/companion/lookup" and origin + "api/companion/phrases", authenticated
// with the sign-in session's cookie, every answer checked against the account
// the companion expects. One client per account and origin; after cancel() it
// is dead.
class CompanionPhraseAPI final : public QObject, public PhraseLookupAPI {
    Q_OBJECT
public:
    static constexpr qint64 maxBodyBytes = 2'000'000;
    static constexpr std::chrono::milliseconds requestTimeout{45'000};
    static constexpr qsizetype maxErrorCharacters = 500;

    // `auth` must outlive the client (the sign-in session lives for the
    // process); without one every request fails as signed out.
    CompanionPhraseAPI(QUrl origin, QString userID, SessionCookies *auth);
    ~CompanionPhraseAPI() override;

    CompanionPhraseAPI(const CompanionPhraseAPI &) = delete;
    CompanionPhraseAPI &operator=(const CompanionPhraseAPI &) = delete;

    QCoro::Task<LookupOutcome<LookupPhrase>> lookup(QString query) override;
    QCoro::Task<LookupOutcome<QString>> save(LookupPhrase phrase) override;
    void cancel() override;
    void abandonRequests() override;

    const QUrl &origin() const { return m_origin; }
    const QString &userID() const { return m_userID; }

private:
    // Sends one request and returns the body of a successful answer.
    QCoro::Task<LookupOutcome<QByteArray>> post(QString path, QJsonObject body);
    QUrl endpoint(const QString &path) const;

    QUrl m_origin;
    QString m_userID;
    SessionCookies *m_auth;
    std::unique_ptr<QNetworkAccessManager> m_client;
    bool m_dead = false;
    quint64 m_generation = 0; // cancel() and abandonRequests() make every request in flight stale
};
