// The far end of a pseudo-terminal, for tests that talk to the port object
// over a real tty: raw bytes out, bytes in with a deadline.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kelm9d::testing {

class PtyPeer {
  public:
    PtyPeer() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            slavePath_ = name;
            // Keep a raw slave open for the peer's whole life, so that the
            // port's opens and closes never hang up the master.
            termios raw{};
            ::tcgetattr(slave_, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(slave_, TCSANOW, &raw);
            ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~PtyPeer() {
        CloseMaster();
        if (slave_ >= 0)
            ::close(slave_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    bool Send(const std::vector<std::uint8_t>& bytes) {
        std::size_t sent = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (sent < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
        return sent == bytes.size();
    }

    // Reads until `count` bytes have arrived or `timeout` has passed.
    std::vector<std::uint8_t> Receive(std::size_t count,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            std::uint8_t buffer[512];
            const ssize_t n =
                ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0)
                bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    // As an unplugged cable: the slave side's reads fail from now on.
    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // Bytes sent to the slave side that no reader has taken yet.
    int UnreadBySlave() const {
        int count = 0;
        ::ioctl(slave_, FIONREAD, &count);
        return count;
    }

    termios SlaveSettings() const {
        termios t{};
        ::tcgetattr(slave_, &t);
        return t;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace kelm9d::testing
