#include "app/system_events.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QGuiApplication>
#include <QScreen>

namespace {
const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
} // namespace

SystemEvents::SystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject *parent)
    : QObject(parent),
      m_systemBus(std::move(systemBus)),
      m_sessionBus(std::move(sessionBus))
{
    if (m_systemBus.isConnected()) {
        m_systemBus.connect(login1, login1Path, managerInterface, QStringLiteral("PrepareForSleep"), this,
                            SLOT(prepareForSleep(bool)));
        // Our own login session, for lock and unlock (a session switch locks it).
        QDBusInterface manager(login1, login1Path, managerInterface, m_systemBus);
        const QDBusReply<QDBusObjectPath> session =
            manager.call(QStringLiteral("GetSessionByPID"), quint32(QCoreApplication::applicationPid()));
        if (session.isValid()) {
            const QString path = session.value().path();
            m_systemBus.connect(login1, path, sessionInterface, QStringLiteral("Lock"), this, SLOT(sessionLocked()));
            m_systemBus.connect(login1, path, sessionInterface, QStringLiteral("Unlock"), this,
                                SLOT(sessionUnlocked()));
        }
    }
    if (m_sessionBus.isConnected()) {
        for (const QString &path : {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")})
            m_sessionBus.connect(QString(), path, QStringLiteral("org.freedesktop.ScreenSaver"),
                                 QStringLiteral("ActiveChanged"), this, SLOT(screenSaverActiveChanged(bool)));
    }

    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    auto changed = [this] {
        if (!m_stopped)
            Q_EMIT screensChanged();
    };
    m_screenConnections << connect(app, &QGuiApplication::screenAdded, this, [this, changed](QScreen *screen) {
        watchScreen(screen);
        changed();
    });
    m_screenConnections << connect(app, &QGuiApplication::screenRemoved, this, changed);
    m_screenConnections << connect(app, &QGuiApplication::primaryScreenChanged, this, changed);
    for (QScreen *screen : QGuiApplication::screens())
        watchScreen(screen);
}

void SystemEvents::watchScreen(QScreen *screen)
{
    auto changed = [this] {
        if (!m_stopped)
            Q_EMIT screensChanged();
    };
    m_screenConnections << connect(screen, &QScreen::geometryChanged, this, changed);
    m_screenConnections << connect(screen, &QScreen::availableGeometryChanged, this, changed);
}

void SystemEvents::stop()
{
    m_stopped = true;
    for (const QMetaObject::Connection &connection : std::as_const(m_screenConnections))
        disconnect(connection);
    m_screenConnections.clear();
    if (m_systemBus.isConnected())
        m_systemBus.disconnect(login1, login1Path, managerInterface, QStringLiteral("PrepareForSleep"), this,
                               SLOT(prepareForSleep(bool)));
}

void SystemEvents::prepareForSleep(bool sleeping)
{
    if (m_stopped)
        return;
    if (sleeping)
        Q_EMIT suspend();
    else
        Q_EMIT wake();
}

void SystemEvents::sessionLocked()
{
    if (!m_stopped)
        Q_EMIT suspend();
}

void SystemEvents::sessionUnlocked()
{
    if (!m_stopped)
        Q_EMIT wake();
}

void SystemEvents::screenSaverActiveChanged(bool active)
{
    if (m_stopped)
        return;
    if (active)
        Q_EMIT suspend();
    else
        Q_EMIT wake();
}
