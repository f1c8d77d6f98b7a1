#include "library/library_log.h"

Q_LOGGING_CATEGORY(lcSync, "pelora.sync", QtWarningMsg)
