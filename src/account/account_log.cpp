#include "account/account_log.h"

Q_LOGGING_CATEGORY(lcSession, "pelora.session", QtWarningMsg)
