#pragma once
// What the benchmarks read of their own process: its CPU time and resident memory, and the
// event loop run as the program runs it.

#include <QEventLoop>
#include <QTimer>

#include <fstream>
#include <time.h>

inline double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

inline double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

/// Runs the event loop for `ms` asleep between events, as the program does: PumpEvents wakes
/// every millisecond, which would cost more than what is measured here.
inline void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
