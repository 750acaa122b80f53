// The serial line on Win32: a COM device opened for overlapped input and
// output with every time-out zero, so that a read completes only when every
// requested byte has arrived. Every wait is on events, so that a stop event
// or a deadline can end it; a transfer that is abandoned is cancelled and
// waited for before we return, so that it can never complete into a buffer
// its owner has already let go.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event_win32.h"
#include "platform/serial/win32_handle.h"

namespace kelm9d {

struct SerialDevice::Impl {
    UniqueHandle comm;
    DCB saved{};  // as found at open; given back at close
    std::string path;
    // The reader's event, made once: ReadExact is called once per byte of
    // the line and must not make a kernel object each time.
    UniqueHandle readEvent;
    // Set by the reader thread only: after a hang-up every read fails at once.
    bool readFailed = false;

    Impl(UniqueHandle handle, const DCB& found, std::string devicePath, UniqueHandle event)
        : comm(std::move(handle)),
          saved(found),
          path(std::move(devicePath)),
          readEvent(std::move(event)) {}
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    ~Impl() {
        // The settings go back before the port is let go, so that no one else
        // gets it in a state we made. Failures (an unplugged adapter) change
        // nothing at this point.
        ::SetCommState(comm.Get(), &saved);
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

SerialError LastErrorAt(const char* operation, const std::string& path, bool opening = false) {
    const DWORD code = ::GetLastError();
    // A call that failed without saying why still failed.
    const int mapped = ErrnoFromWin32(code, opening);
    return ErrorAt(mapped != 0 ? mapped : EIO, operation, path);
}

char ParityLetter(char parity) {
    switch (parity) {
        case 'E':
        case 'O':
        case 'M':
        case 'S':
            return parity;
        default:
            return 'N';
    }
}

// Waits for an abandoned transfer to end after asking for its cancellation.
// Returns what it delivered: a transfer can complete before the
// cancellation reaches it.
DWORD CancelAndWait(HANDLE comm, OVERLAPPED& overlapped, bool& completed) {
    ::CancelIoEx(comm, &overlapped);
    DWORD transferred = 0;
    completed = ::GetOverlappedResult(comm, &overlapped, &transferred, TRUE) != 0;
    return transferred;
}

}  // namespace

SerialDevice::SerialDevice() noexcept = default;
SerialDevice::SerialDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SerialDevice::~SerialDevice() = default;
SerialDevice::SerialDevice(SerialDevice&& other) noexcept = default;
SerialDevice& SerialDevice::operator=(SerialDevice&& other) noexcept = default;

SerialDevice SerialDevice::Open(const std::string& path, SerialError& error) {
    error = SerialError{};
    // Share mode 0: nobody else gets the port while we hold it, and a port
    // someone else holds is refused.
    UniqueHandle comm(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!comm.Valid()) {
        error = LastErrorAt("open", path, true);
        return SerialDevice{};
    }
    DCB found{};
    found.DCBlength = sizeof found;
    if (::GetCommState(comm.Get(), &found) == 0) {
        error = ErrorAt(ENOTTY, "open", path);  // a file or a pipe, not a serial line
        return SerialDevice{};
    }
    UniqueHandle readEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!readEvent.Valid()) {
        error = LastErrorAt("open", path);
        return SerialDevice{};
    }
    // From here on the owner gives the settings back.
    auto impl = std::make_unique<Impl>(std::move(comm), found, path, std::move(readEvent));
    const HANDLE handle = impl->comm.Get();

    ::PurgeComm(handle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    // All zero: no read or write ends before every byte is through. The
    // receiver counts a short read as a failed one, so a device that does
    // not take these settings is refused rather than misread.
    COMMTIMEOUTS timeouts{};
    if (::SetCommTimeouts(handle, &timeouts) == 0) {
        error = LastErrorAt("configure", path);
        return SerialDevice{};
    }
    return SerialDevice(std::move(impl));
}

bool SerialDevice::IsOpen() const {
    return impl_ != nullptr && impl_->comm.Valid();
}

bool SerialDevice::Purge() {
    return IsOpen() && ::PurgeComm(impl_->comm.Get(), PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

bool SerialDevice::ApplyLineSettings(const LineSettings& settings, SerialError& error) {
    error = SerialError{};
    if (!IsOpen()) {
        error = ErrorAt(EBADF, "configure", "");
        return false;
    }
    const std::string& path = impl_->path;
    // Everything off but binary mode: no parity check, no flow control in
    // either direction, DTR and RTS held low, no character replacement.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = settings.baudRate;
    dcb.fBinary = 1;
    dcb.XonLim = 1;
    dcb.XoffLim = 1;
    dcb.ByteSize = 8;
    dcb.StopBits = ONESTOPBIT;
    char mode[64];
    std::snprintf(mode, sizeof mode, "baud=%lu parity=%c data=%d stop=%d",
                  static_cast<unsigned long>(settings.baudRate), ParityLetter(settings.parity),
                  settings.dataBits, settings.stopBits);
    if (::BuildCommDCBA(mode, &dcb) == 0) {
        error = ErrorAt(EINVAL, "configure", path);
        return false;
    }
    if (::SetCommState(impl_->comm.Get(), &dcb) == 0) {
        error = LastErrorAt("configure", path);
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
    Impl& impl = *impl_;
    const HANDLE stopHandle = StopEventHandle(stop);
    if (stopHandle == nullptr) {
        // Without its stop event a read could never be ended.
        result.error = ErrorAt(EINVAL, "read", impl.path);
        return result;
    }
    auto fail = [&](int code) {
        impl.readFailed = true;
        result.outcome = ReadOutcome::kFailed;
        result.error = ErrorAt(code, "read", impl.path);
        return result;
    };
    if (impl.readFailed) {
        return fail(EIO);
    }
    if (count > MAXDWORD) {
        result.error = ErrorAt(EINVAL, "read", impl.path);
        return result;
    }

    while (true) {
        // The stop event first: it wins over bytes that have arrived. Once
        // every byte is in, one more look at it without waiting.
        if (::WaitForSingleObject(stopHandle, 0) == WAIT_OBJECT_0) {
            result.outcome = ReadOutcome::kStopped;
            return result;
        }
        if (result.count == count) {
            result.outcome = ReadOutcome::kCompleted;
            return result;
        }
        OVERLAPPED overlapped{};
        overlapped.hEvent = impl.readEvent.Get();
        ::ResetEvent(overlapped.hEvent);
        const auto want = static_cast<DWORD>(count - result.count);
        if (::ReadFile(impl.comm.Get(), buffer + result.count, want, nullptr, &overlapped) == 0 &&
            ::GetLastError() != ERROR_IO_PENDING) {
            return fail(ErrnoFromWin32(::GetLastError()));
        }
        const HANDLE waitList[2] = {stopHandle, overlapped.hEvent};
        const DWORD woken = ::WaitForMultipleObjects(2, waitList, FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0 + 1) {
            // Stopped, or the wait itself failed: the read must be over
            // before the buffer goes back to the caller.
            bool completed = false;
            result.count += CancelAndWait(impl.comm.Get(), overlapped, completed);
            if (woken == WAIT_OBJECT_0) {
                result.outcome = ReadOutcome::kStopped;
                return result;
            }
            return fail(EIO);
        }
        DWORD got = 0;
        if (::GetOverlappedResult(impl.comm.Get(), &overlapped, &got, FALSE) == 0) {
            return fail(ErrnoFromWin32(::GetLastError()));
        }
        if (got == 0) {
            // With no time-outs in force a read that delivers nothing has
            // ended because the line did: asking again would only spin.
            return fail(EIO);
        }
        result.count += got;
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
    const HANDLE comm = impl_->comm.Get();
    const std::string& path = impl_->path;
    auto fail = [&](int code) {
        error = ErrorAt(code, "write", path);
        return false;
    };
    if (count > MAXDWORD) {
        return fail(EINVAL);
    }
    // A fresh event per write: the reader's event belongs to the reader.
    UniqueHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event.Valid()) {
        return fail(ErrnoFromWin32(::GetLastError()));
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    if (::WriteFile(comm, bytes, static_cast<DWORD>(count), nullptr, &overlapped) == 0 &&
        ::GetLastError() != ERROR_IO_PENDING) {
        // Failed at once: no transfer is under way, and none will be.
        return fail(ErrnoFromWin32(::GetLastError()));
    }
    // Bounded, always: INFINITE is no deadline.
    const std::int64_t ms = limit.count() <= 0 ? 0 : static_cast<std::int64_t>(limit.count());
    const DWORD waitMs = ms >= std::int64_t{INFINITE} ? INFINITE - 1 : static_cast<DWORD>(ms);
    const DWORD woken = ::WaitForSingleObject(event.Get(), waitMs);
    DWORD sent = 0;
    bool completed = false;
    if (woken == WAIT_OBJECT_0) {
        completed = ::GetOverlappedResult(comm, &overlapped, &sent, FALSE) != 0;
        if (!completed) {
            return fail(ErrnoFromWin32(::GetLastError()));
        }
    } else {
        // Too late, or the wait failed. The transfer is cancelled and waited
        // for; what the driver still holds of it goes, so that nothing of the
        // caller's buffer is used after we return. A write that finished just
        // before the cancellation reached it went out whole and counts.
        sent = CancelAndWait(comm, overlapped, completed);
        if (!completed || sent != count) {
            ::PurgeComm(comm, PURGE_TXABORT | PURGE_TXCLEAR);
            return fail(woken == WAIT_TIMEOUT ? ETIMEDOUT : EIO);
        }
    }
    if (sent != count) {
        return fail(EIO);
    }
    written = static_cast<std::uint32_t>(sent);
    return true;
}

void SerialDevice::Close() {
    impl_.reset();
}

}  // namespace kelm9d
