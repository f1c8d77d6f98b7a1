#include "account/logging_defaults.h"

#include <QLoggingCategory>

void LoggingDefaults::install()
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.*.debug=false\n"
                                                    "qt.*.info=false\n"
                                                    "qt.*.warning=false"));
}
