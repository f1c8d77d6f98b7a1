#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

// Tells the learner once, through a desktop notification, when no tray has
// shown the companion's icon some seconds after launch (GNOME without its
// AppIndicator extension): how to reach the menu without one. Once per
// launch at most, and never when the tray was there in time.
class TrayAbsenceNotice : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultDelay{10000};

    TrayAbsenceNotice(QDBusConnection bus, std::function<bool()> trayShown,
                      std::chrono::milliseconds delay = defaultDelay, QObject *parent = nullptr);

    bool sent() const { return m_sent; }

Q_SIGNALS:
    void checked(); // the delay is over and the notification, if any, has been sent

private:
    void check();

    QDBusConnection m_bus;
    std::function<bool()> m_trayShown;
    QTimer m_timer;
    bool m_sent = false;
};

namespace TrayNoticeTexts {
using namespace Qt::StringLiterals;

inline QString summary()
{
    return u"Pelora is running without a tray icon"_s;
}
inline QString body()
{
    return u"Your desktop shows no tray. To open Pelora’s menu, right-click Pelora Companion in "
           u"your app launcher and choose “Menu”, or run “pelora-companion --menu”."_s;
}
} // namespace TrayNoticeTexts
