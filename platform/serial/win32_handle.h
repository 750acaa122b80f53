// Owned Windows handles, and the error codes of Windows calls turned into the
// errno values SerialError carries. Internal to the serial layer's Win32
// sources.
#pragma once

#include <windows.h>

#include <cerrno>
#include <utility>

namespace kelm9d {

// Closes its handle when its owner goes. Empty is nullptr; CreateFile's
// INVALID_HANDLE_VALUE is turned into empty on the way in, so that only one
// value means "none".
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle)
        : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr; }

    void Reset() {
        if (handle_ != nullptr) {
            ::CloseHandle(handle_);
            handle_ = nullptr;
        }
    }

  private:
    HANDLE handle_ = nullptr;
};

// The errno value that says the same as a Windows error code, so that the
// operator reads one set of texts whatever the platform. `opening`: the code
// came from opening a port, where "access denied" is how the serial driver
// refuses a port that another program holds.
inline int ErrnoFromWin32(DWORD code, bool opening = false) {
    switch (code) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_DEV_NOT_EXIST:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return opening ? EBUSY : EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return ENOTTY;
        case ERROR_SEM_TIMEOUT:
            return ETIMEDOUT;
        default:
            // Unplugged adapters, broken pipes, aborted transfers, general
            // device failures: the line is gone, as far as we can use it.
            return EIO;
    }
}

}  // namespace kelm9d
