#include "card/reduce_motion.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString gnomeGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

// The portal wraps values in one or two variants depending on its version.
QVariant unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}
} // namespace

ReduceMotion &ReduceMotion::instance()
{
    static ReduceMotion *shared = new ReduceMotion; // lives as long as the process
    return *shared;
}

ReduceMotion::ReduceMotion()
{
    askPortal();
}

bool ReduceMotion::enabled() const
{
    if (qEnvironmentVariable("PELORA_REDUCE_MOTION") == QLatin1String("1"))
        return true;
    if (m_gnomeAnimationsOff)
        return true;
    const QString kdeglobals =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    return !kdeglobals.isEmpty() && kdeAnimationsInstant(kdeglobals);
}

void ReduceMotion::askPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                       QStringLiteral("Read"));
    read << gnomeGroup << animationsKey;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        QDBusPendingReply<QVariant> reply = *call;
        if (reply.isError())
            return; // no portal, or no such setting: animations stay on
        const QVariant value = unwrap(reply.value());
        if (value.typeId() == QMetaType::Bool)
            m_gnomeAnimationsOff = !value.toBool();
    });
}

void ReduceMotion::portalSettingChanged(const QString &group, const QString &key, const QDBusVariant &value)
{
    if (group != gnomeGroup || key != animationsKey)
        return;
    const QVariant unwrapped = unwrap(value.variant());
    if (unwrapped.typeId() == QMetaType::Bool)
        m_gnomeAnimationsOff = !unwrapped.toBool();
}

bool kdeAnimationsInstant(const QString &kdeglobalsPath)
{
    QSettings settings(kdeglobalsPath, QSettings::IniFormat);
    const QVariant factor = settings.value(QStringLiteral("KDE/AnimationDurationFactor"));
    bool ok = false;
    const double value = factor.toString().toDouble(&ok);
    return ok && value == 0.0;
}
