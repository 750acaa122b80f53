// The serial line on POSIX termios. The descriptor stays nonblocking for its
// whole life: every wait is a poll, so a stop event or a deadline can end it.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/serial/posix_fd.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event_posix.h"
#include "platform/serial/termios_posix.h"

namespace kelm9d {

struct SerialDevice::Impl {
    UniqueFd fd;
    termios saved{};  // as found at open; given back at close
    std::string path;

    Impl(UniqueFd descriptor, const termios& found, std::string devicePath)
        : fd(std::move(descriptor)), saved(found), path(std::move(devicePath)) {}
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    ~Impl() {
        // Settings back first, then the exclusive flag and the lock, so that
        // no one else gets the port before it is as we found it. Waits for the
        // output to drain so that a last frame is not cut off by a change of
        // speed; without flow control that takes at most the line time of the
        // queue. Failures (a hung-up line) change nothing at this point.
        ::tcsetattr(fd.Get(), TCSADRAIN, &saved);
        ::ioctl(fd.Get(), TIOCNXCL);
        ::flock(fd.Get(), LOCK_UN);
    }
};

namespace {

SerialError ErrorAt(int code, const char* operation, const std::string& path) {
    SerialError error;
    error.code = code;
    error.operation = operation;
    error.port = path;
    return error;
}

}  // namespace

SerialDevice::SerialDevice() noexcept = default;
SerialDevice::SerialDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SerialDevice::~SerialDevice() = default;
SerialDevice::SerialDevice(SerialDevice&& other) noexcept = default;
SerialDevice& SerialDevice::operator=(SerialDevice&& other) noexcept = default;

SerialDevice SerialDevice::Open(const std::string& path, SerialError& error) {
    error = SerialError{};
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        // EBUSY here: another program set the port exclusive.
        error = ErrorAt(errno, "open", path);
        return SerialDevice{};
    }
    termios found{};
    if (::tcgetattr(fd.Get(), &found) != 0) {
        error = ErrorAt(errno, "open", path);  // ENOTTY: not a serial device
        return SerialDevice{};
    }
    // TIOCEXCL keeps others out but not root, and a holder that only set
    // TIOCEXCL takes no lock; so a port already exclusive is taken too.
    int exclusive = 0;
    if (::ioctl(fd.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        error = ErrorAt(EBUSY, "lock", path);
        return SerialDevice{};
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        error = ErrorAt(errno, "lock", path);
        return SerialDevice{};
    }
    if (::ioctl(fd.Get(), TIOCEXCL) != 0) {
        error = ErrorAt(errno, "lock", path);
        return SerialDevice{};
    }
    // From here on the owner gives the settings, the flag and the lock back.
    auto impl = std::make_unique<Impl>(std::move(fd), found, path);
    const int descriptor = impl->fd.Get();

    termios raw = found;
    MakeRaw(raw);
    if (::tcsetattr(descriptor, TCSANOW, &raw) != 0) {
        error = ErrorAt(errno, "configure", path);
        return SerialDevice{};
    }
    if (::tcflush(descriptor, TCIOFLUSH) != 0) {
        error = ErrorAt(errno, "purge", path);
        return SerialDevice{};
    }
    return SerialDevice(std::move(impl));
}

bool SerialDevice::IsOpen() const {
    return impl_ != nullptr && impl_->fd.Valid();
}

bool SerialDevice::Purge() {
    return IsOpen() && ::tcflush(impl_->fd.Get(), TCIOFLUSH) == 0;
}

bool SerialDevice::ApplyLineSettings(const LineSettings& settings, SerialError& error) {
    error = SerialError{};
    if (!IsOpen()) {
        error = ErrorAt(EBADF, "configure", "");
        return false;
    }
    const std::string& path = impl_->path;
    const int fd = impl_->fd.Get();
    const std::optional<speed_t> speed = SpeedFor(settings.baudRate);
    if (!speed) {
        error = ErrorAt(EINVAL, "baud", path);
        return false;
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        error = ErrorAt(errno, "configure", path);
        return false;
    }
    MakeRaw(t);
    if (!SetCharacterFormat(settings, t)) {
        error = ErrorAt(EINVAL, "configure", path);
        return false;
    }
    if (::cfsetispeed(&t, *speed) != 0 || ::cfsetospeed(&t, *speed) != 0) {
        error = ErrorAt(errno, "baud", path);
        return false;
    }
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        error = ErrorAt(errno, "configure", path);
        return false;
    }
    // DTR and RTS low. A pseudo-terminal has no modem lines and says so with
    // ENOTTY or EINVAL; that is no failure of the settings.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        error = ErrorAt(errno, "configure", path);
        return false;
    }
    return true;
}

ReadResult SerialDevice::ReadExact(std::uint8_t* buffer, std::size_t count, const StopEvent& stop) {
    ReadResult result;
    if (!IsOpen()) {
        result.error = ErrorAt(EBADF, "read", "");
        return result;
    }
    const std::string& path = impl_->path;
    const int fd = impl_->fd.Get();
    const int stopFd = StopEventDescriptor(stop);
    if (stopFd < 0) {
        // Without its stop event a read could never be ended.
        result.error = ErrorAt(EINVAL, "read", path);
        return result;
    }
    auto fail = [&](int code) {
        result.outcome = ReadOutcome::kFailed;
        result.error = ErrorAt(code, "read", path);
        return result;
    };

    while (true) {
        // The stop event first: it wins over bytes that are waiting. Once
        // every byte is in, one more look at it without waiting.
        pollfd entries[2] = {{stopFd, POLLIN, 0}, {fd, POLLIN, 0}};
        const int ready = ::poll(entries, 2, result.count == count ? 0 : -1);
        if (ready < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return fail(errno);
        }
        if ((entries[0].revents & POLLIN) != 0) {
            result.outcome = ReadOutcome::kStopped;
            return result;
        }
        if ((entries[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return fail(EBADF);
        }
        if (result.count == count) {
            result.outcome = ReadOutcome::kCompleted;
            return result;
        }
        const short events = entries[1].revents;
        if ((events & POLLNVAL) != 0) {
            return fail(EBADF);
        }
        if ((events & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        // Read on a hang-up as well: it hands over what is still queued and
        // then says why the line ended.
        const ssize_t got = ::read(fd, buffer + result.count, count - result.count);
        if (got > 0) {
            result.count += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0) {
            return fail(EIO);  // end of file: the other side hung up
        }
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
            // A hang-up that reads nothing must not be polled again and again.
            if ((events & (POLLHUP | POLLERR)) != 0) {
                return fail(EIO);
            }
            continue;
        }
        return fail(errno);
    }
}

bool SerialDevice::Write(const std::uint8_t* bytes, std::size_t count,
                         std::chrono::milliseconds limit, std::uint32_t& written,
                         SerialError& error) {
    written = 0;
    error = SerialError{};
    if (!IsOpen()) {
        error = ErrorAt(EBADF, "write", "");
        return false;
    }
    const int fd = impl_->fd.Get();
    auto fail = [&](int code) {
        // What the driver still holds of this write goes; nothing of the
        // caller's buffer is used after we return.
        ::tcflush(fd, TCOFLUSH);
        error = ErrorAt(code, "write", impl_->path);
        return false;
    };
    if (count > UINT32_MAX) {
        return fail(EINVAL);
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    std::size_t sent = 0;
    while (sent < count) {
        const ssize_t put = ::write(fd, bytes + sent, count - sent);
        if (put > 0) {
            sent += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return fail(errno);
        }
        // The queue is full: wait for room until the deadline.
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return fail(ETIMEDOUT);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        pollfd entry{fd, POLLOUT, 0};
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::min<decltype(left)>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR && errno != EAGAIN) {
            return fail(errno);
        }
        if (ready > 0 && (entry.revents & POLLNVAL) != 0) {
            return fail(EBADF);
        }
        if (ready > 0 && (entry.revents & POLLOUT) == 0 &&
            (entry.revents & (POLLHUP | POLLERR)) != 0) {
            return fail(EIO);
        }
    }
    written = static_cast<std::uint32_t>(count);
    return true;
}

void SerialDevice::Close() {
    impl_.reset();
}

}  // namespace kelm9d
