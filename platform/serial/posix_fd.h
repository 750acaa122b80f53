// An owned file descriptor, closed when its owner goes. Used by the serial
// layer's POSIX sources and by the tests' pseudo-terminals.
#pragma once

#include <unistd.h>

#include <utility>

namespace kelm9d {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }

    void Reset() {
        if (fd_ >= 0) {
            // Not retried on EINTR: on Linux the descriptor is gone either way.
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

}  // namespace kelm9d
