#pragma once

#include "library/phrase.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;
class SessionCookies;

// The learner's saved library as last synced from the web app, its state and
// a one-line status text.
class PhraseStore : public QObject {
    Q_OBJECT
public:
    enum class State { signedOut, loading, ready, empty, unavailable };
    Q_ENUM(State)

    explicit PhraseStore(QObject *parent = nullptr);
    ~PhraseStore() override;

    State state() const { return m_state; }
    const QList<Phrase> &phrases() const { return m_phrases; }
    QString status() const { return m_status; }
    std::optional<QString> userID() const { return m_userID; }
    bool refreshing() const { return m_refreshing; }

    // Downloads the whole library page by page. True when this call's outcome
    // was applied to the store, false when it did nothing or was overtaken.
    QCoro::Task<bool> refresh(QUrl origin, SessionCookies *auth, bool force);
    void clear();

    // Per-page transfer time-out; 20 s unless a test needs a shorter one.
    void setPageTimeout(std::chrono::milliseconds timeout) { m_pageTimeout = timeout; }

Q_SIGNALS:
    void changed(); // state, phrases, status or userID changed

private:
    void cancelActiveSession();
    void finishActiveSession();
    void settle(quint64 generation);
    void apply(State state, const QString &status, QList<Phrase> phrases, std::optional<QString> userID);
    void applyFailure(bool apiMissing);

    State m_state = State::signedOut;
    QList<Phrase> m_phrases;
    QString m_status;
    std::optional<QString> m_userID;
    quint64 m_generation = 0; // a newer refresh, a cancel or the store's end makes older ones stale
    bool m_refreshing = false;
    std::unique_ptr<QNetworkAccessManager> m_activeSession;
    std::chrono::milliseconds m_pageTimeout{20000};
};
