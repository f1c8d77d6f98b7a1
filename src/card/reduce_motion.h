#pragma once

#include <QObject>
#include <chrono>

class QDBusMessage;

// Whether the learner asked the desktop for less motion. On when
// PELORA_REDUCE_MOTION=1, when GNOME's "enable-animations" is off (read
// through the desktop portal, answered asynchronously and then followed), or
// when KDE's animation speed is set to instant. Until the portal has answered
// (or failed to, within portalTimeout) motion counts as reduced: the
// setting is known before anything first animates.
class ReduceMotion : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds portalTimeout{3000};

    // The first call asks the portal; the panels call it when they are made.
    static ReduceMotion &instance();
    static bool isOn() { return instance().enabled(); }

    bool enabled() const;
    bool portalPending() const { return m_portalPending; }

    // The portal's SettingChanged(group, key, value). Public, and taking the
    // whole message: D-Bus delivers only to public slots, and refuses a slot
    // taking a QDBusVariant until that type happens to be registered.
    Q_SLOT void portalSettingChanged(const QDBusMessage &message);

Q_SIGNALS:
    void portalAnswered();

private:
    ReduceMotion();
    void askPortal();

    bool m_portalPending = false;
    bool m_gnomeAnimationsOff = false;
};

// The KDE rule on its own, for a kdeglobals file's contents: an animation
// duration factor of zero means animations are instant.
bool kdeAnimationsInstant(const QString &kdeglobalsPath);
