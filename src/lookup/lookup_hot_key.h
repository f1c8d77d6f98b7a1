#pragma once

#include "schedule/preferences.h"

#include <QObject>
#include <QString>
#include <memory>
#include <qcoro/qcorotask.h>

class PortalGlobalShortcut;
class X11KeyGrab;
class X11HotKeyFilter;

// The global lookup shortcut, Super+M. Registered while the learner's
// preference allows it; each press is reported once through `pressed`, from a
// queued call on the main thread (never from inside a platform dispatch).
//
// How the key is obtained is chosen at each start, in this order:
//  1. the desktop portal's GlobalShortcuts (KDE Plasma, GNOME 48 and later):
//     the desktop lets the learner confirm or change the key, which
//     `boundKey()` then names;
//  2. a key grab on the X root window, on an X11 session;
//  3. on GNOME, a custom shortcut in GNOME's own settings that runs
//     `pelora-companion --lookup` (forwarded to this companion), added only
//     after the learner confirmed it (`setUpGnomeShortcut()`);
//  4. nothing: the learner binds `pelora-companion --lookup` by hand.
// The portal answers asynchronously: `start()` may return false and the
// shortcut becomes registered later (`changed` tells).
class LookupHotKey : public QObject {
    Q_OBJECT
public:
    static constexpr const char *preferenceKey = PreferenceKeys::phraseLookupShortcutEnabled;

    // Where the shortcut stands, for the status menu.
    enum class Availability {
        off,               // the preference is off
        waiting,           // asking the desktop (its dialog may be open)
        registered,        // working; `boundKey()` names the key
        unassigned,        // the desktop took the shortcut; the learner still has to give it a key there
        taken,             // the X11 grab was refused: another program holds the key
        declined,          // the desktop's shortcut dialog was turned down
        gnomeSetupOffered, // GNOME can bind it in its own settings once the learner agrees
        unsupported,       // no way to bind a key on this desktop
    };
    enum class Method { none, portal, x11Grab, gnomeSettings };

    explicit LookupHotKey(Preferences &preferences, QObject *parent = nullptr);
    ~LookupHotKey() override; // releases what is still held (not GNOME's entry, which outlives us)

    // The stored preference; true when absent or not a boolean.
    bool enabled() const;
    bool isRegistered() const;
    Availability availability() const { return m_availability; }
    Method method() const { return m_method; }
    // The key the desktop bound, as the learner reads it ("Super+M" unless the
    // desktop says otherwise).
    QString boundKey() const;

    // Always a clean restart: releases what is held, then registers again if
    // enabled. True when the shortcut is registered when this returns.
    bool start();
    void stop();
    // Stores the negation of `enabled()` and applies it; turning it off also
    // takes our entry out of GNOME's shortcuts.
    void toggle();
    // Adds our entry to GNOME's custom shortcuts (the learner agreed); the
    // shortcut is registered once it is there.
    QCoro::Task<bool> setUpGnomeShortcut();

Q_SIGNALS:
    // The availability or the bound key changed.
    void changed();
    // The learner pressed the shortcut.
    void pressed();

private:
    QCoro::Task<void> choose(quint64 generation);
    bool grabOnX11();
    void settle(Availability availability, Method method, const QString &key = {});
    void reportPress();

    std::unique_ptr<PortalGlobalShortcut> m_portal;
    std::unique_ptr<X11KeyGrab> m_grab;
    std::unique_ptr<X11HotKeyFilter> m_filter;
    Availability m_availability = Availability::off;
    Method m_method = Method::none;
    QString m_boundKey;
    Preferences &m_preferences;
    quint64 m_generation = 0;
};
