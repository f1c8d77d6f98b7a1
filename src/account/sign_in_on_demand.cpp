#include "account/sign_in_on_demand.h"

#include "account/account_log.h"
#include "account/session_cookie_rules.h"
#include "account/sign_in_process.h"
#include "account/sign_in_storage.h"

#include <QCoreApplication>
#include <QFile>
#include <qcoro/qcorosignal.h>

using namespace Qt::StringLiterals;

using Kind = SignInMessage::Kind;

namespace {

// The Set-Cookie lines of an answer that set the session cookie: all the
// helper needs, within what a message may carry.
QList<QByteArray> sessionCookieFields(const QList<QNetworkReply::RawHeaderPair> &headers)
{
    QList<QByteArray> fields;
    for (const auto &[name, value] : headers) {
        if (name.compare("set-cookie", Qt::CaseInsensitive) != 0)
            continue;
        // Qt joins repeated Set-Cookie fields with line breaks.
        for (const QByteArray &line : value.split('\n')) {
            if (QNetworkCookie::parseCookies(line).value(0).name() != SessionCookieRules::cookieName)
                continue;
            if (line.size() > SignInMessage::maxField || fields.size() == SignInMessage::maxFields)
                qCWarning(lcSession) << "an answer's session cookie is too large to keep; ignored";
            else
                fields.append(line);
        }
    }
    return fields;
}

} // namespace

SignInOnDemand::SignInOnDemand(const QString &storageFolder, const QString &helperProgram, QObject *parent)
    : SignInSession(parent),
      m_folder(storageFolder),
      m_program(helperProgram),
      m_record(SignInStorage::recordPath(storageFolder))
{
    // A sign-out that an earlier run could not finish: only files remain to remove.
    if (QFile::exists(SignInStorage::wipeMarkerPath(m_folder))) {
        qCInfo(lcSession) << "finishing a sign-out that was interrupted";
        SignInStorage::removeEngineData(m_folder);
        m_record.erase();
        QFile::remove(SignInStorage::wipeMarkerPath(m_folder));
    }
    m_record.load();
}

SignInOnDemand::~SignInOnDemand() = default;

QString SignInOnDemand::defaultStorageFolder()
{
    return SignInStorage::defaultFolder();
}

QString SignInOnDemand::defaultHelperProgram()
{
    const QString name = u"/pelora-sign-in"_s;
    const QString beside = QCoreApplication::applicationDirPath() + name;
    return QFile::exists(beside) ? beside : QString::fromLatin1(PELORA_HELPER_DIR) + name;
}

qint64 SignInOnDemand::helperProcessId() const
{
    return m_helper ? m_helper->processId() : 0;
}

SignInProcess *SignInOnDemand::runningHelper()
{
    if (m_helper)
        return m_helper.get();
    m_helper = std::make_unique<SignInProcess>(m_program, m_folder);
    connect(m_helper.get(), &SignInProcess::received, this, &SignInOnDemand::received);
    connect(m_helper.get(), &SignInProcess::ended, this, &SignInOnDemand::helperGone);
    m_recordAtStart = m_record.cookies();
    m_helper->start();
    qCDebug(lcSession) << "sign-in helper started:" << m_helper->processId();
    return m_helper.get();
}

void SignInOnDemand::showLogin(const QUrl &origin)
{
    if (m_clearing) {
        m_showAfterClear = origin;
        return;
    }
    if (m_helperEnding) {
        m_showAfterHelper = origin; // in a new helper, once this one is gone
        return;
    }
    runningHelper()->send({Kind::show, origin});
}

void SignInOnDemand::finishLogin()
{
    if (m_helper && !m_helperEnding)
        m_helper->send({Kind::hide});
}

void SignInOnDemand::endHelper()
{
    m_helperEnding = true;
    m_helper->send({Kind::quit});
}

void SignInOnDemand::received(const SignInMessage &message)
{
    qCDebug(lcSession) << "the sign-in helper says" << int(message.kind);
    switch (message.kind) {
    case Kind::sessionChanged:
        m_record.load();
        if (!m_clearing)
            Q_EMIT sessionChanged();
        return;
    case Kind::cookiesAccepted:
        m_record.load();
        if (!m_unconfirmed.isEmpty())
            m_unconfirmed.removeFirst();
        return;
    case Kind::windowClosed:
        // Ended only when no show is on its way to the window: the helper
        // counts what it had read when the window closed.
        if (!m_clearing && !m_helperEnding && message.count == m_helper->sent())
            endHelper();
        return;
    case Kind::cleared:
        if (!m_helperEnding)
            endHelper();
        return;
    case Kind::show:
    case Kind::hide:
    case Kind::acceptCookies:
    case Kind::clear:
    case Kind::quit:
        break;
    }
    m_helper->kill("it sent a message meant for itself");
}

void SignInOnDemand::helperGone()
{
    qCDebug(lcSession) << "sign-in helper gone";
    // Deleted from the event loop: this runs inside the helper's own signal.
    m_helper.release()->deleteLater();
    m_helperEnding = false;
    if (!m_clearing) {
        // The helper wrote the record; cookies it had not confirmed are taken here.
        m_record.load();
        for (const SignInMessage &message : std::exchange(m_unconfirmed, {}))
            takeCookies(message.fields, message.url);
        if (m_record.cookies() != m_recordAtStart)
            Q_EMIT sessionChanged();
    }
    Q_EMIT helperEnded();
    if (const std::optional<QUrl> origin = std::exchange(m_showAfterHelper, std::nullopt))
        showLogin(*origin);
}

QCoro::Task<void> SignInOnDemand::clear()
{
    // The sign-out holds from this moment, however the wipe ends: the record
    // goes before anything waits, and the marker has the next launch finish
    // removing the engine's files if this run ends first.
    m_clearing = true;
    SignInStorage::markWipePending(m_folder);
    m_record.erase();
    m_unconfirmed.clear();
    m_showAfterHelper.reset();
    if (m_helper) {
        // The running engine removes its cookies and cache itself, then ends.
        if (!m_helperEnding)
            m_helper->send({Kind::clear});
        // Awaited on this session: the helper's object is gone by the time a
        // queued resumption would reach it.
        if (!co_await qCoro(this, &SignInOnDemand::helperEnded, m_wipeTimeout) && m_helper) {
            m_helper->kill("its wipe took too long");
            co_await qCoro(this, &SignInOnDemand::helperEnded);
        }
    }
    // What the engine may have written last, and every file of a helper that
    // ended before it could wipe.
    SignInStorage::removeEngineData(m_folder);
    m_record.erase();
    QFile::remove(SignInStorage::wipeMarkerPath(m_folder));
    m_clearing = false;
    if (const std::optional<QUrl> origin = std::exchange(m_showAfterClear, std::nullopt))
        showLogin(*origin);
}

QCoro::Task<QList<QNetworkCookie>> SignInOnDemand::cookies(QUrl url)
{
    co_return SessionCookieRules::applicable(m_record.cookies(), url, QDateTime::currentDateTimeUtc());
}

QCoro::Task<void> SignInOnDemand::acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin)
{
    if (m_clearing) // an answer that arrives during a sign-out is too late to sign anyone in
        co_return;
    const QList<QByteArray> fields = sessionCookieFields(headers);
    if (fields.isEmpty())
        co_return;
    if (!m_helper) {
        takeCookies(fields, origin);
        co_return;
    }
    // The helper owns the record while it runs; one that ends before
    // confirming leaves these to be taken once it is gone.
    const SignInMessage message{Kind::acceptCookies, origin, fields};
    m_unconfirmed.append(message);
    if (!m_helperEnding)
        m_helper->send(message);
}

void SignInOnDemand::takeCookies(const QList<QByteArray> &fields, const QUrl &origin)
{
    QList<QNetworkReply::RawHeaderPair> headers;
    for (const QByteArray &field : fields)
        headers.append({QByteArrayLiteral("Set-Cookie"), field});
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QNetworkCookie &cookie : SessionCookieRules::fromAnswer(headers, origin))
        m_record.take(cookie, now);
}
