#pragma once

#include <QObject>

class QDBusVariant;

// Whether the learner asked the desktop for less motion. On when
// PELORA_REDUCE_MOTION=1, when GNOME's "enable-animations" is off (read
// through the desktop portal, answered asynchronously and then followed), or
// when KDE's animation speed is set to instant.
class ReduceMotion : public QObject {
    Q_OBJECT
public:
    static ReduceMotion &instance();
    static bool isOn() { return instance().enabled(); }

    bool enabled() const;

private:
    ReduceMotion();
    void askPortal();
    Q_SLOT void portalSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

    bool m_gnomeAnimationsOff = false;
};

// The KDE rule on its own, for a kdeglobals file's contents: an animation
// duration factor of zero means animations are instant.
bool kdeAnimationsInstant(const QString &kdeglobalsPath);
