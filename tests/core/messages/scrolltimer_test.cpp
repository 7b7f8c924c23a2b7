#include "core/messages/scrolltimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// Polls until `done` or a deadline far beyond any normal delay.
template <typename Predicate> bool WaitFor(Predicate done) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

} // namespace

TEST(ScrollTimer, DeadlinesStayOnTheGridAndResynchroniseWhenFarBehind) {
    const Clock::time_point start{};
    const milliseconds interval(10);
    // On time or a little late: the next tick keeps the grid, so lateness is made up.
    EXPECT_EQ(NextTickDeadline(start, start + milliseconds(1), interval), start + interval);
    EXPECT_EQ(NextTickDeadline(start, start + milliseconds(25), interval), start + interval);
    EXPECT_EQ(NextTickDeadline(start, start + milliseconds(60), interval), start + interval);
    // Far behind (suspended): no burst of missed ticks, the grid starts again from now.
    EXPECT_EQ(NextTickDeadline(start, start + milliseconds(1000), interval),
              start + milliseconds(1010));
}

TEST(ScrollTimer, TicksArriveUntilTerminatedAndNoneAfter) {
    std::atomic<int> ticks{0};
    std::atomic<bool> terminated{false};
    std::atomic<int> ticksAfterTerminate{0};
    TScrollTimerThread timer(milliseconds(1), [&] {
        ++ticks;
        if (terminated) {
            ++ticksAfterTerminate;
        }
    });
    EXPECT_EQ(timer.Interval, milliseconds(1));
    ASSERT_TRUE(WaitFor([&] { return ticks >= 5; }));
    timer.Terminate();
    terminated = true;
    const int atTerminate = ticks;
    // Give a thread that ignored the request every chance to post again before the join.
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_EQ(ticks, atTerminate);
    EXPECT_EQ(ticksAfterTerminate, 0);
    timer.Terminate(); // a second request is harmless
}

TEST(ScrollTimer, TerminateWakesALongWait) {
    std::atomic<int> ticks{0};
    const Clock::time_point start = Clock::now();
    {
        TScrollTimerThread timer(std::chrono::minutes(1), [&] { ++ticks; });
        ASSERT_TRUE(WaitFor([&] { return ticks == 1; })) << "the first tick is posted at once";
    } // the destructor terminates and joins; it must not sit out the minute
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(ticks, 1);
}
