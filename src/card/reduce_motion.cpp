#include "card/reduce_motion.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString gnomeGroup = u"org.gnome.desktop.interface"_s;
const QString animationsKey = u"enable-animations"_s;

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
    if (qEnvironmentVariable("PELORA_REDUCE_MOTION") == "1"_L1)
        return true;
    if (m_gnomeAnimationsOff || m_portalPending)
        return true;
    const QString kdeglobals = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, u"kdeglobals"_s);
    return !kdeglobals.isEmpty() && kdeAnimationsInstant(kdeglobals);
}

void ReduceMotion::askPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, u"SettingChanged"_s, this,
                SLOT(portalSettingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, u"Read"_s);
    read << gnomeGroup << animationsKey;
    m_portalPending = true;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, int(portalTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        m_portalPending = false;
        QDBusPendingReply<QVariant> reply = *call;
        // No portal, no such setting or no answer in time: animations stay on.
        const QVariant value = reply.isError() ? QVariant() : unwrap(reply.value());
        if (value.typeId() == QMetaType::Bool)
            m_gnomeAnimationsOff = !value.toBool();
        Q_EMIT portalAnswered();
    });
}

void ReduceMotion::portalSettingChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != gnomeGroup || arguments[1].toString() != animationsKey)
        return;
    const QVariant value = unwrap(arguments[2]);
    if (value.typeId() == QMetaType::Bool)
        m_gnomeAnimationsOff = !value.toBool();
}

bool kdeAnimationsInstant(const QString &kdeglobalsPath)
{
    QSettings settings(kdeglobalsPath, QSettings::IniFormat);
    const QVariant factor = settings.value(u"KDE/AnimationDurationFactor"_s);
    bool ok = false;
    const double value = factor.toString().toDouble(&ok);
    return ok && value == 0.0;
}
