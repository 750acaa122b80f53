#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/serial/stop_event.h"
#include "platform/serial/stop_event_posix.h"

namespace kelm9d {

StopEvent::StopEvent() {
    // Nonblocking, so that Reset on an event that is not signalled returns at once.
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd >= 0) {
        impl_ = std::make_unique<Impl>();
        impl_->fd = UniqueFd(fd);
    }
}

StopEvent::~StopEvent() = default;
StopEvent::StopEvent(StopEvent&&) noexcept = default;
StopEvent& StopEvent::operator=(StopEvent&&) noexcept = default;

bool StopEvent::Valid() const {
    return impl_ != nullptr && impl_->fd.Valid();
}

void StopEvent::Signal() {
    if (!Valid()) {
        return;
    }
    const std::uint64_t one = 1;
    // EAGAIN means the counter is full, which is signalled all the same.
    while (::write(impl_->fd.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void StopEvent::Reset() {
    if (!Valid()) {
        return;
    }
    std::uint64_t count = 0;
    // One read takes the whole counter back to zero; EAGAIN means it already was.
    while (::read(impl_->fd.Get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool StopEvent::IsSignalled() const {
    if (!Valid()) {
        return false;
    }
    pollfd entry{impl_->fd.Get(), POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (entry.revents & POLLIN) != 0;
}

void StopEvent::Wait() const {
    if (!Valid()) {
        return;
    }
    pollfd entry{impl_->fd.Get(), POLLIN, 0};
    while (true) {
        const int ready = ::poll(&entry, 1, -1);
        if (ready > 0 && (entry.revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return;
        }
        if (ready < 0 && errno != EINTR) {
            return;  // a broken poll must not turn into a busy loop
        }
    }
}

}  // namespace kelm9d
