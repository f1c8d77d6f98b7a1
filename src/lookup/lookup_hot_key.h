#pragma once

#include "schedule/preferences.h"

#include <QObject>
#include <functional>
#include <memory>

class X11KeyGrab;
class X11HotKeyFilter;

// The global lookup shortcut, Super+M. Registered while the learner's
// preference allows it; each press is reported once through `onPress`, from a
// queued call on the main thread (never from inside the X event dispatch).
//
// On X11 (XWayland included) the key is grabbed on the root window. Where no
// grab is possible (a pure Wayland or offscreen session) `start()` returns
// false and the learner binds `pelora-companion --lookup` in the desktop's
// own shortcut settings instead.
class LookupHotKey : public QObject {
    Q_OBJECT
public:
    static constexpr const char *preferenceKey = PreferenceKeys::phraseLookupShortcutEnabled;

    explicit LookupHotKey(QObject *parent = nullptr);
    ~LookupHotKey() override; // releases a grab that is still held

    // The stored preference; true when absent or not a boolean.
    static bool enabled();
    bool isRegistered() const;

    // Always a clean restart: releases what is held, then registers again if
    // enabled. True when the shortcut is registered afterwards.
    bool start();
    void stop();
    // Stores the negation of `enabled()` and applies it.
    void toggle();

    std::function<void()> onPress = [] {};

private:
    void reportPress();

    std::unique_ptr<X11KeyGrab> m_grab;
    std::unique_ptr<X11HotKeyFilter> m_filter;
};
