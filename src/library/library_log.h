#pragma once

#include <QLoggingCategory>

// The library sync: why a page failed. Warnings are on by default;
// QT_LOGGING_RULES="pelora.sync.debug=true" shows everything.
Q_DECLARE_LOGGING_CATEGORY(lcSync)
