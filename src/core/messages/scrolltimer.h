#pragma once
// The thread that drives the ranking strip: it only posts ticks to the ticker, which moves the
// strip one pixel per tick. It touches no shared data.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

/// The deadline of the tick after the one due at `deadline`, given the time `now`. Normally
/// one interval after the previous deadline, so late wake-ups are made up and the strip keeps
/// its speed; when the thread has fallen more than a few intervals behind (suspended, machine
/// overloaded) it starts afresh from `now` instead of posting the missed ticks in a burst.
std::chrono::steady_clock::time_point
NextTickDeadline(std::chrono::steady_clock::time_point deadline,
                 std::chrono::steady_clock::time_point now, std::chrono::microseconds interval);

/// Posts a tick at once and then every `interval` on a steady deadline until terminated.
class TScrollTimerThread {
  public:
    /// Called on the timer thread; the Qt side posts the scroll tick to the ticker.
    using PostFunction = std::function<void()>;

    /// Starts the thread at once. An interval below 1 ms is taken as 1 ms, so it never spins.
    /// Throws std::system_error when no thread can be started.
    TScrollTimerThread(std::chrono::microseconds interval, PostFunction post);
    /// Terminate() and join.
    ~TScrollTimerThread();
    TScrollTimerThread(const TScrollTimerThread&) = delete;
    TScrollTimerThread& operator=(const TScrollTimerThread&) = delete;

    /// Wakes the thread from its wait; no tick is posted after this returns, so a stopped strip
    /// gets no new ticks. Safe to call more than once. Must not be called from the post
    /// function.
    void Terminate();

    /// The time between ticks.
    const std::chrono::microseconds Interval;

  private:
    void Run();
    /// Posts one tick, swallowing what the post function throws: it must not end the process.
    void PostTick();

    PostFunction Post;
    std::mutex Mutex;
    std::condition_variable Wake;
    bool Terminated = false;
    std::thread Thread;
};
