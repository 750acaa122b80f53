// The Win32 form of StopEvent: a manual-reset event, so that it stays
// signalled for every wait until Reset. Internal to the serial layer, so that
// ReadExact can wait on it beside its read.
#pragma once

#include "platform/serial/stop_event.h"
#include "platform/serial/win32_handle.h"

namespace kelm9d {

struct StopEvent::Impl {
    UniqueHandle event;
};

// The handle to wait on, or nullptr for an event that is not valid.
inline HANDLE StopEventHandle(const StopEvent& event) {
    return event.impl() != nullptr ? event.impl()->event.Get() : nullptr;
}

}  // namespace kelm9d
