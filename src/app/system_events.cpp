#include "app/system_events.h"

#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {
const QString login1 = u"org.freedesktop.login1"_s;
const QString login1Path = u"/org/freedesktop/login1"_s;
const QString managerInterface = u"org.freedesktop.login1.Manager"_s;
const QString sessionInterface = u"org.freedesktop.login1.Session"_s;
} // namespace

SystemEvents::SystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject *parent)
    : QObject(parent),
      m_systemBus(std::move(systemBus)),
      m_sessionBus(std::move(sessionBus))
{
    if (m_systemBus.isConnected()) {
        m_systemBus.connect(login1, login1Path, managerInterface, u"PrepareForSleep"_s, this,
                            SLOT(prepareForSleep(bool)));
        // Our own login session, for lock and unlock (a session switch locks it).
        QDBusInterface manager(login1, login1Path, managerInterface, m_systemBus);
        const QDBusReply<QDBusObjectPath> session =
            manager.call(u"GetSessionByPID"_s, quint32(QCoreApplication::applicationPid()));
        if (session.isValid()) {
            const QString path = session.value().path();
            m_systemBus.connect(login1, path, sessionInterface, u"Lock"_s, this, SLOT(sessionLocked()));
            m_systemBus.connect(login1, path, sessionInterface, u"Unlock"_s, this, SLOT(sessionUnlocked()));
        }
    }
    if (m_sessionBus.isConnected()) {
        for (const QString &path : {u"/org/freedesktop/ScreenSaver"_s, u"/ScreenSaver"_s})
            m_sessionBus.connect(QString(), path, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s, this,
                                 SLOT(screenSaverActiveChanged(bool)));
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
        m_systemBus.disconnect(login1, login1Path, managerInterface, u"PrepareForSleep"_s, this,
                               SLOT(prepareForSleep(bool)));
}

void SystemEvents::prepareForSleep(bool sleeping)
{
    reportAway(sleeping);
}

void SystemEvents::sessionLocked()
{
    reportAway(true);
}

void SystemEvents::sessionUnlocked()
{
    reportAway(false);
}

void SystemEvents::screenSaverActiveChanged(bool active)
{
    reportAway(active);
}

void SystemEvents::reportAway(bool away)
{
    if (m_stopped)
        return;
    if (away)
        Q_EMIT suspend();
    else
        Q_EMIT wake();
}
