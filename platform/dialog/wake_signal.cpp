#include "platform/dialog/wake_signal.h"

#include <algorithm>

namespace kelm9d {

void WakeSignal::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

bool WakeSignal::WaitUntil(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout) {
    if (!condition) {
        return false;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::max(timeout, std::chrono::milliseconds::zero());
    for (;;) {
        // Note the generation before looking, so that a wake during the look
        // ends the wait below at once.
        std::uint64_t seen = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen = generation_;
        }
        if (condition()) {
            return true;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        const bool woken = changed_.wait_until(lock, deadline, [&] { return generation_ != seen; });
        lock.unlock();
        // A stream of wakes must not stretch the wait past its deadline.
        if (!woken || std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
    }
}

}  // namespace kelm9d
