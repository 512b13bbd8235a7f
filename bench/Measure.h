#pragma once
#include <QElapsedTimer>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

// Resident memory now, in bytes.
inline long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The highest resident memory of the process so far, in bytes.
inline long peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024L;
}

inline double seconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

} // namespace bench
