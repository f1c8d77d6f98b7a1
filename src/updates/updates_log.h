#pragma once

#include <QLoggingCategory>

// The updater: why an update check failed. Warnings are on by default;
// QT_LOGGING_RULES="pelora.updates.debug=true" shows everything.
Q_DECLARE_LOGGING_CATEGORY(lcUpdates)
