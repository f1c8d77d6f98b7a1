#pragma once

#include <QtGlobal>

// The process's peak resident memory from a starting point on, as the kernel
// counts it: constructing a watch resets the high-water mark (VmHWM) to what
// is resident now.
class MemoryWatch {
public:
    MemoryWatch();

    // Whether the kernel let the mark be reset; without it peakGrowth() means nothing.
    bool valid() const { return m_valid; }
    // How far the peak rose above what was resident at construction.
    qint64 peakGrowthBytes() const;

    static qint64 residentBytes();

private:
    bool m_valid = false;
    qint64 m_start = 0;
};
