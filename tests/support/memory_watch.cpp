#include "memory_watch.h"

#include <QFile>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A "Vm…:  1234 kB" line of /proc/self/status, in bytes; -1 when missing.
qint64 statusField(const QByteArray &name)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(name + ':')))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

} // namespace

MemoryWatch::MemoryWatch()
{
    // "5" resets the peak to the current resident size (Linux 4.0 and later).
    QFile clear(u"/proc/self/clear_refs"_s);
    m_valid = clear.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && clear.write("5") == 1;
    m_start = residentBytes();
    m_valid = m_valid && m_start > 0 && statusField("VmHWM"_ba) >= 0;
}

// The kernel folds resident counts together lazily, so a peak a few pages
// below the start only means nothing grew.
qint64 MemoryWatch::peakGrowthBytes() const
{
    return std::max<qint64>(0, statusField("VmHWM"_ba) - m_start);
}

qint64 MemoryWatch::residentBytes()
{
    return statusField("VmRSS"_ba);
}
