#pragma once

#include <QLoggingCategory>

// The companion API client: why a lookup or save failed. Warnings are on by default;
// QT_LOGGING_RULES="pelora.lookup.debug=true" shows everything.
Q_DECLARE_LOGGING_CATEGORY(lcLookup)
