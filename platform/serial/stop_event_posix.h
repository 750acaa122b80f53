// The POSIX form of StopEvent: an eventfd that is readable while signalled.
// Internal to the serial layer, so that ReadExact can wait on it.
#pragma once

#include "platform/serial/posix_fd.h"
#include "platform/serial/stop_event.h"

namespace kelm9d {

struct StopEvent::Impl {
    UniqueFd fd;
};

// The descriptor to poll for the event, or -1 for an event that is not valid.
inline int StopEventDescriptor(const StopEvent& event) {
    return event.impl() != nullptr ? event.impl()->fd.Get() : -1;
}

}  // namespace kelm9d
