#include "account/sign_in_on_demand.h"

#include "account/account_log.h"
#include "account/session_cookie_rules.h"
#include "account/sign_in_session_factory.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QStandardPaths>

SignInOnDemand::SignInOnDemand(const QString &storageFolder, Loader load)
    : m_record(storageFolder + QStringLiteral("/session-cookie.json")), m_load(std::move(load))
{
    m_record.load();
    if (QFile::exists(storageFolder + wipeMarkerName()))
        engine(); // a sign-out that an earlier run could not finish: finished now
}

SignInOnDemand::~SignInOnDemand() = default;

QString SignInOnDemand::defaultStorageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Pelora/PeloraCompanion/sign-in");
}

SignInOnDemand::Loader SignInOnDemand::pluginLoader(const QString &storageFolder)
{
    return [storageFolder]() -> std::unique_ptr<SignInSession> {
        const QStringList folders{QCoreApplication::applicationDirPath(), QStringLiteral(PELORA_PLUGIN_DIR)};
        for (const QString &folder : folders) {
            const QString path = folder + QStringLiteral("/pelora-sign-in.so");
            if (!QFile::exists(path))
                continue;
            QPluginLoader loader(path);
            // Kept loaded for the rest of the process: the session lives in it.
            if (auto *factory = qobject_cast<SignInSessionFactory *>(loader.instance()))
                return factory->create(storageFolder);
            qCWarning(lcSession) << "the sign-in plugin did not load:" << loader.errorString();
            return nullptr;
        }
        qCWarning(lcSession) << "the sign-in plugin is missing from" << folders;
        return nullptr;
    };
}

SignInSession *SignInOnDemand::engine()
{
    if (m_engine || m_loadFailed)
        return m_engine.get();
    m_engine = m_load();
    m_loadFailed = !m_engine;
    if (m_engine)
        m_engine->onSessionChange = [this] { onSessionChange(); };
    return m_engine.get();
}

void SignInOnDemand::showLogin(const QUrl &origin)
{
    if (SignInSession *session = engine())
        session->showLogin(origin);
}

void SignInOnDemand::finishLogin()
{
    if (m_engine)
        m_engine->finishLogin();
}

QCoro::Task<void> SignInOnDemand::clear()
{
    // The engine's session removes its own files, also those of an earlier run.
    if (SignInSession *session = engine())
        co_await session->clear();
    else
        m_record.erase(); // signed out in any case
}

QCoro::Task<QList<QNetworkCookie>> SignInOnDemand::cookies(QUrl url)
{
    if (m_engine)
        co_return co_await m_engine->cookies(url);
    co_return SessionCookieRules::applicable(m_record.cookies(), url, QDateTime::currentDateTimeUtc());
}

QCoro::Task<void> SignInOnDemand::acceptCookies(QList<QNetworkReply::RawHeaderPair> headers, QUrl origin)
{
    if (m_engine) {
        co_await m_engine->acceptCookies(headers, origin);
        co_return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QNetworkCookie &cookie : SessionCookieRules::fromAnswer(headers, origin))
        m_record.take(cookie, now);
}
