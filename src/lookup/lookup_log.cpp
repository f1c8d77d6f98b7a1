#include "lookup/lookup_log.h"

Q_LOGGING_CATEGORY(lcLookup, "pelora.lookup", QtWarningMsg)
