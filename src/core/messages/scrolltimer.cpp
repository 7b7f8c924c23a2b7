#include "core/messages/scrolltimer.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

/// How many intervals behind the thread may be and still make them up.
constexpr int MaxCatchUpTicks = 5;

} // namespace

Clock::time_point NextTickDeadline(Clock::time_point deadline, Clock::time_point now,
                                   std::chrono::microseconds interval) {
    const Clock::time_point next = deadline + interval;
    if (now - next > interval * MaxCatchUpTicks) {
        return now + interval;
    }
    return next;
}

TScrollTimerThread::TScrollTimerThread(std::chrono::microseconds interval, PostFunction post)
    : Interval(std::max<std::chrono::microseconds>(std::chrono::milliseconds(1), interval)),
      Post(std::move(post)) {
    Thread = std::thread([this] { Run(); });
}

TScrollTimerThread::~TScrollTimerThread() {
    Terminate();
    if (Thread.joinable()) {
        Thread.join();
    }
}

void TScrollTimerThread::Terminate() {
    // Ticks are posted while the lock is held, so once this has taken the lock and set the
    // flag, no tick can follow.
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Terminated = true;
    }
    Wake.notify_all();
}

void TScrollTimerThread::Run() {
    const std::chrono::microseconds interval = Interval;
    Clock::time_point deadline = Clock::now();
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Terminated) {
        PostTick();
        deadline = NextTickDeadline(deadline, Clock::now(), interval);
        Wake.wait_until(lock, deadline, [this] { return Terminated; });
    }
}

void TScrollTimerThread::PostTick() {
    if (!Post) {
        return;
    }
    try {
        Post();
    } catch (...) {
        // A lost tick only delays the strip by a pixel.
    }
}
