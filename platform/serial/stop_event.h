// The event that tells the reader thread to end. Signalling it wakes a
// ReadExact that is waiting at once; it stays signalled until Reset.
#pragma once

#include <memory>

namespace kelm9d {

class StopEvent {
  public:
    StopEvent();  // not signalled; Valid() is false when the platform refused one
    ~StopEvent();
    StopEvent(StopEvent&&) noexcept;
    StopEvent& operator=(StopEvent&&) noexcept;
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    bool Valid() const;
    void Signal();  // safe from any thread
    void Reset();
    bool IsSignalled() const;
    // Blocks until the event is signalled; at once for an invalid event, so
    // that no caller can hang on an event the platform refused.
    void Wait() const;

    struct Impl;  // platform state; the serial layer's sources reach into it
    const Impl* impl() const { return impl_.get(); }

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelm9d
