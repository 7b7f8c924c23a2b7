#pragma once
// The server's limits (request and answer deadlines, drop windows, pings) run on the steady
// clock: a step of the system's wall clock, which a time service makes, must neither drop every
// page at once nor keep a dead one.

#include <QtGlobal>

#include <chrono>

inline qint64 SteadyNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
