#include "platform/serial/stop_event_win32.h"

#include "platform/serial/stop_event.h"

namespace kelm9d {

StopEvent::StopEvent() {
    UniqueHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (event.Valid()) {
        impl_ = std::make_unique<Impl>();
        impl_->event = std::move(event);
    }
}

StopEvent::~StopEvent() = default;
StopEvent::StopEvent(StopEvent&&) noexcept = default;
StopEvent& StopEvent::operator=(StopEvent&&) noexcept = default;

bool StopEvent::Valid() const {
    return impl_ != nullptr && impl_->event.Valid();
}

void StopEvent::Signal() {
    if (Valid()) {
        ::SetEvent(impl_->event.Get());
    }
}

void StopEvent::Reset() {
    if (Valid()) {
        ::ResetEvent(impl_->event.Get());
    }
}

bool StopEvent::IsSignalled() const {
    return Valid() && ::WaitForSingleObject(impl_->event.Get(), 0) == WAIT_OBJECT_0;
}

void StopEvent::Wait() const {
    if (!Valid()) {
        return;
    }
    // A failed wait returns too: it would fail again at once, and spinning
    // on it helps no one.
    ::WaitForSingleObject(impl_->event.Get(), INFINITE);
}

}  // namespace kelm9d
