#pragma once
// The folder watcher's messages as a window's queue would receive them, for tests that play
// the window's part on their own thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

class TWatcherMessages {
  public:
    /// The watcher's post function: safe from any thread.
    void Post(int message) {
        std::lock_guard lock(Mutex);
        Messages.push_back(message);
        Arrived.notify_all();
    }
    /// The oldest message, waiting up to `wait` for one.
    std::optional<int> Take(std::chrono::milliseconds wait) {
        std::unique_lock lock(Mutex);
        if (!Arrived.wait_for(lock, wait, [&] { return !Messages.empty(); })) {
            return std::nullopt;
        }
        const int message = Messages.front();
        Messages.pop_front();
        return message;
    }

  private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::deque<int> Messages;
};
