#include "app/status_item.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString statusNotifierWatcher = u"org.kde.StatusNotifierWatcher"_s;

bool statusNotifierHostExists()
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(statusNotifierWatcher).value();
}

// The icon with a small warm dot in its top-right corner.
QIcon withBadge(const QIcon &icon)
{
    QImage badged = icon.pixmap(44, 44).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&badged);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal size = badged.width() * 0.42;
    const QRectF dot(badged.width() - size, 0, size, size);
    painter.setPen(QPen(QColor(0xFC, 0xFB, 0xF8), badged.width() * 0.06));
    painter.setBrush(QColor(0xAB, 0x57, 0x3D));
    painter.drawEllipse(dot.adjusted(1, 1, -1, -1));
    painter.end();
    return QIcon(QPixmap::fromImage(badged));
}

} // namespace

StatusItem::StatusItem(bool useTray, const QIcon &image, QObject *parent)
    : QObject(parent),
      m_image(image),
      m_icon(image)
{
    m_menu.setToolTipsVisible(true);
    connect(&m_menu, &QMenu::aboutToShow, this, [this] { Q_EMIT menuNeedsUpdate(&m_menu); });
    if (useTray)
        createTrayIconWhenAvailable();
}

StatusItem::~StatusItem() = default;

bool StatusItem::trayShown() const
{
    return m_tray && m_tray->isVisible();
}

void StatusItem::createTrayIconWhenAvailable()
{
    // Qt decides once per process whether a StatusNotifier host exists, so
    // the icon is created only once a tray of either kind is there.
    if (statusNotifierHostExists() || QSystemTrayIcon::isSystemTrayAvailable()) {
        createTrayIcon();
        return;
    }
    m_watcher = new QDBusServiceWatcher(statusNotifierWatcher, QDBusConnection::sessionBus(),
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { createTrayIcon(); });
    // An XEmbed tray announces itself only on the X server: look again now and
    // then until one appears.
    m_trayPoll = new QTimer(this);
    m_trayPoll->setInterval(std::chrono::seconds(5));
    connect(m_trayPoll, &QTimer::timeout, this, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            createTrayIcon();
    });
    m_trayPoll->start();
}

void StatusItem::createTrayIcon()
{
    if (m_tray)
        return;
    if (m_trayPoll)
        m_trayPoll->stop();
    m_tray = std::make_unique<QSystemTrayIcon>();
    m_tray->setContextMenu(&m_menu);
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_toolTip);
    // A left click opens the same menu, as on a menu bar.
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_menu.popup(QCursor::pos());
    });
    m_tray->show();
}

void StatusItem::setImage(const QIcon &icon)
{
    m_image = icon;
    refreshIcon();
}

void StatusItem::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    refreshIcon();
    Q_EMIT changed();
}

void StatusItem::setToolTip(const QString &toolTip)
{
    m_toolTip = toolTip;
    if (m_tray)
        m_tray->setToolTip(toolTip);
    Q_EMIT changed();
}

void StatusItem::refreshIcon()
{
    m_icon = m_title.isEmpty() ? m_image : withBadge(m_image);
    if (m_tray)
        m_tray->setIcon(m_icon);
}
