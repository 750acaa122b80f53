// Waiting for a condition that another thread makes true. Every wait here
// has a deadline; none of the tests asserts how long anything took.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/dialog/blocking_host.h"
#include "platform/dialog/dialog.h"
#include "tests/dialog/test_template.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;

// Long enough that only a wake, never the deadline, can end these waits
// within the watchdog below.
constexpr auto kForever = std::chrono::hours(1);
constexpr auto kWatchdog = std::chrono::seconds(10);

TEST(BlockingHostWait, ReturnsTrueWhenAnotherThreadMakesTheConditionTrue) {
    BlockingHost host;
    std::atomic<bool> answered{false};
    std::thread reader([&] {
        answered = true;
        host.Wake();
    });
    EXPECT_TRUE(host.WaitUntil([&] { return answered.load(); }, 5s));
    reader.join();
}

TEST(BlockingHostWait, ReturnsFalseAfterTheTimeoutWhenNothingHappens) {
    BlockingHost host;
    host.Wake();  // a wake from before the wait must not count as an answer
    int looks = 0;
    EXPECT_FALSE(host.WaitUntil([&] { return ++looks < 0; }, 20ms));
    EXPECT_GE(looks, 2);  // once at the start, once at the deadline
    EXPECT_FALSE(host.WaitUntil([] { return false; }, 0ms));
    EXPECT_FALSE(host.WaitUntil([] { return false; }, -5ms));
    EXPECT_TRUE(host.WaitUntil([] { return true; }, 0ms));
    EXPECT_FALSE(host.WaitUntil(nullptr, 0ms));
}

// The change and its wake land after the waiter looked and before it waits.
// A lost wake would leave the waiter asleep for an hour; the watchdog
// notices, wakes it to end the test, and fails.
template <typename Waiter, typename Waker>
void ExpectNoLostWake(Waiter& waiter, Waker& waker) {
    std::atomic<bool> answered{false};
    int looks = 0;  // only the waiting thread touches it
    auto condition = [&] {
        if (++looks == 1) {
            std::thread other([&] {
                answered = true;
                waker.Wake();
            });
            other.join();
            return false;  // what this look saw before the other thread ran
        }
        return answered.load();
    };
    auto waiting =
        std::async(std::launch::async, [&] { return waiter.WaitUntil(condition, kForever); });
    const bool finished = waiting.wait_for(kWatchdog) == std::future_status::ready;
    if (!finished) {
        waker.Wake();
    }
    EXPECT_TRUE(finished) << "the wake-up was lost";
    EXPECT_TRUE(waiting.get());
}

TEST(BlockingHostWait, NoWakeIsLostBetweenLookingAndWaiting) {
    BlockingHost host;
    ExpectNoLostWake(host, host);
}

TEST(WakeSignal, NoWakeIsLostBetweenLookingAndWaiting) {
    WakeSignal signal;
    ExpectNoLostWake(signal, signal);
}

TEST(DialogWait, WakeOnTheDialogReachesItsHost) {
    Dialog dialog(testing::SmallTemplate());
    BlockingHost host([&](Dialog& d) {
        ExpectNoLostWake(d, d);
        d.EndDialog(kIdOk);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdOk);
}

TEST(DialogWait, WaitsWithoutAHostOnTheDialogsOwnSignal) {
    Dialog dialog(testing::SmallTemplate());
    ExpectNoLostWake(dialog, dialog);
}

// The reader thread wakes the dialog at any time: before, during and after
// modal runs, while hosts are attached and detached.
TEST(DialogWait, WakeIsSafeFromAnotherThreadAtAnyTime) {
    Dialog dialog(testing::SmallTemplate());
    std::atomic<bool> stop{false};
    std::atomic<int> wakes{0};
    std::thread reader([&] {
        while (!stop) {
            dialog.Wake();
            ++wakes;
            std::this_thread::yield();
        }
    });
    for (int run = 0; run < 20; ++run) {
        BlockingHost host([&](Dialog& d) {
            const int before = wakes.load();
            EXPECT_TRUE(d.WaitUntil([&] { return wakes.load() > before + 3; }, 10s));
            d.EndDialog(kIdCancel);
        });
        EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    }
    stop = true;
    reader.join();
}

}  // namespace
}  // namespace kelm9d
