// Small owners for the serial tests: a temporary folder, an environment
// variable set for one test, and a pseudo-terminal pair.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace kelm9d::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelm9d-serial-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Sets (or, given nullopt, removes) a variable and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

// A pseudo-terminal: the test plays the far end on the master; the slave is
// the "serial port". The slave descriptor held here is the test's window into
// the line's termios and input queue; it takes no lock.
class PtyPair {
  public:
    PtyPair() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            master_ = master;
            slave_ = slave;
            slavePath_ = name;
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~PtyPair() {
        CloseMaster();
        if (slave_ >= 0) {
            ::close(slave_);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Valid() const { return master_ >= 0 && slave_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }

    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // Writes all of `bytes` from the far end.
    bool SendFromMaster(const std::vector<std::uint8_t>& bytes) const {
        std::size_t sent = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (sent < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t put = ::write(master_, bytes.data() + sent, bytes.size() - sent);
            if (put > 0) {
                sent += static_cast<std::size_t>(put);
            } else {
                pollfd entry{master_, POLLOUT, 0};
                ::poll(&entry, 1, 100);
            }
        }
        return sent == bytes.size();
    }

    // Reads exactly `count` bytes at the far end, or what came within 5 s.
    std::vector<std::uint8_t> ReceiveAtMaster(std::size_t count) const {
        std::vector<std::uint8_t> bytes(count);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (got < count && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::read(master_, bytes.data() + got, count - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else {
                pollfd entry{master_, POLLIN, 0};
                ::poll(&entry, 1, 100);
            }
        }
        bytes.resize(got);
        return bytes;
    }

    // Bytes waiting in the slave's input queue.
    int QueuedAtSlave() const {
        int queued = -1;
        ::ioctl(slave_, TIOCINQ, &queued);
        return queued;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

// Polls `condition` until it holds or `limit` has passed.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::poll(nullptr, 0, 1);
    }
    return true;
}

}  // namespace kelm9d::testing
