#pragma once

#include <QList>

// The process `root` and every process it started, as /proc shows them now.
QList<qint64> processTree(qint64 root);

// Whether any of `pids` still runs.
bool anyAlive(const QList<qint64> &pids);
