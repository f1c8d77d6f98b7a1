#include "lookup_allowance.h"

namespace {
constexpr qint64 windowMs = 60 * 1000;
}

bool LookupAllowance::take(const QString &accountID, qint64 nowMs)
{
    QList<qint64> &recent = m_recent[accountID];
    while (!recent.isEmpty() && recent.constFirst() <= nowMs - windowMs)
        recent.removeFirst();
    if (recent.size() >= m_perMinute)
        return false;
    recent.append(nowMs);
    return true;
}
