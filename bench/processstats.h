#pragma once
// What the benchmarks read of their own process: its CPU time and resident memory, and the
// event loop run as the program runs it.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

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

/// The window thread's own clock while it lives: a 10-ms timer whose longest gap shows any
/// wait of the thread.
class TThreadGapWatch {
  public:
    TThreadGapWatch() {
        Clock.start();
        QObject::connect(&Tick, &QTimer::timeout, [this] {
            Longest = std::max(Longest, Clock.elapsed() - Last);
            Last = Clock.elapsed();
        });
        Tick.start(10);
    }
    qint64 LongestGapMs() const { return Longest; }

  private:
    QElapsedTimer Clock;
    QTimer Tick;
    qint64 Last = 0;
    qint64 Longest = 0;
};
