#pragma once

#include <QHash>
#include <QList>
#include <QString>

// How many lookups each account may make in any sliding minute.
class LookupAllowance {
public:
    explicit LookupAllowance(int perMinute) : m_perMinute(perMinute) {}

    // Records a lookup at `nowMs` (a monotonic clock) and answers whether it
    // is within the allowance. A refused lookup is not recorded, so a client
    // that keeps retrying gets through again a minute after its last success.
    bool take(const QString &accountID, qint64 nowMs);

private:
    int m_perMinute;
    QHash<QString, QList<qint64>> m_recent; // per account, oldest first
};
