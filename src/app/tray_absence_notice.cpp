#include "app/tray_absence_notice.h"

#include <QDBusMessage>
#include <QLoggingCategory>
#include <QStringList>
#include <QVariantMap>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcTrayNotice, "pelora.tray", QtWarningMsg)

TrayAbsenceNotice::TrayAbsenceNotice(QDBusConnection bus, std::function<bool()> trayShown,
                                     std::chrono::milliseconds delay, QObject *parent)
    : QObject(parent),
      m_bus(std::move(bus)),
      m_trayShown(std::move(trayShown))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &TrayAbsenceNotice::check);
    m_timer.start();
}

void TrayAbsenceNotice::check()
{
    if (!m_trayShown || !m_trayShown()) {
        QDBusMessage notify =
            QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
                                           u"org.freedesktop.Notifications"_s, u"Notify"_s);
        // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's choice)
        notify << u"Pelora Companion"_s << uint(0) << u"pelora-companion"_s << TrayNoticeTexts::summary()
               << TrayNoticeTexts::body() << QStringList()
               << QVariantMap{{u"desktop-entry"_s, QString::fromLatin1(PELORA_APP_ID)}} << int(-1);
        if (m_bus.isConnected() && m_bus.send(notify))
            m_sent = true;
        else
            qCInfo(lcTrayNotice) << "no tray and no session bus to say so";
    }
    Q_EMIT checked();
}
