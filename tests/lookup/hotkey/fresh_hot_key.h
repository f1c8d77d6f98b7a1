#pragma once

#include "lookup/lookup_hot_key.h"

#include <QTest>
#include <memory>
#include <tuple>

inline const QString shortcutPreference = QString::fromLatin1(LookupHotKey::preferenceKey);

// A hot key as at a first launch (the shortcut preference unset), counting its presses in `presses` if given.
inline std::unique_ptr<LookupHotKey> freshHotKey(int *presses = nullptr)
{
    Preferences::standard().remove(shortcutPreference);
    auto hotKey = std::make_unique<LookupHotKey>(Preferences::standard());
    if (presses) {
        *presses = 0;
        QObject::connect(hotKey.get(), &LookupHotKey::pressed, hotKey.get(), [presses] { ++*presses; });
    }
    return hotKey;
}

// Waits until the hot key has its answer from the desktop and gives it; after five seconds, "waiting" is the answer.
inline LookupHotKey::Availability waitUntilSettled(const LookupHotKey &hotKey)
{
    std::ignore = QTest::qWaitFor([&hotKey] { return hotKey.availability() != LookupHotKey::Availability::waiting; });
    return hotKey.availability();
}
