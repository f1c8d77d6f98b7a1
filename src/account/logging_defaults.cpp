#include "account/logging_defaults.h"

#include <QLoggingCategory>

using namespace Qt::StringLiterals;

void LoggingDefaults::install()
{
    QLoggingCategory::setFilterRules(u"qt.*.debug=false\n"
                                     u"qt.*.info=false\n"
                                     u"qt.*.warning=false"_s);
}
