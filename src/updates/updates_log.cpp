#include "updates/updates_log.h"

Q_LOGGING_CATEGORY(lcUpdates, "pelora.updates", QtWarningMsg)
