// Waiting for a condition that another thread makes true, without polling:
// the other thread changes its state and then calls Wake; the waiter
// re-evaluates its condition on its own thread after every wake.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace kelm9d {

class WakeSignal {
  public:
    // Safe from any thread at any time, also when nobody waits.
    void Wake();

    // Evaluates `condition` on the calling thread, first at once and again
    // after each Wake, until it holds or `timeout` has passed; it is
    // evaluated once more at the deadline. Returns whether it held. A
    // wake that arrives while the condition is being evaluated is not lost:
    // the wait that follows returns at once. The condition runs without any
    // lock held, so it may itself call Wake.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t generation_ = 0;  // counts wakes; guarded by mutex_
};

}  // namespace kelm9d
