#pragma once

#include <QLoggingCategory>

// Failures of the sign-in session and its stored data ("pelora.session").
// Never logs a cookie value.
Q_DECLARE_LOGGING_CATEGORY(lcSession)
