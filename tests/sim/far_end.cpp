#include "tests/sim/far_end.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kelm9d::sim::testing {

FarEnd::FarEnd(const std::string& path) {
    fd_.Reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd_.Valid()) {
        openErrno_ = errno;
        return;
    }
    termios tio{};
    if (::tcgetattr(fd_.Get(), &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_.Get(), TCSANOW, &tio);
    }
}

bool FarEnd::Send(const Bytes& bytes) {
    std::size_t done = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_.Get(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && Clock::now() < deadline) {
            pollfd p{fd_.Get(), POLLOUT, 0};
            ::poll(&p, 1, 50);
            continue;
        }
        return false;
    }
    return true;
}

Bytes FarEnd::Read(std::size_t count, std::chrono::milliseconds timeout,
                   std::vector<Clock::time_point>* arrivals) {
    Bytes got;
    const auto deadline = Clock::now() + timeout;
    while (got.size() < count && !lineFailed_) {
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        pollfd p{fd_.Get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        std::uint8_t buffer[512];
        const std::size_t want = std::min(sizeof buffer, count - got.size());
        const ssize_t n = ::read(fd_.Get(), buffer, want);
        if (n > 0) {
            const auto at = Clock::now();
            got.insert(got.end(), buffer, buffer + n);
            if (arrivals != nullptr) {
                arrivals->insert(arrivals->end(), static_cast<std::size_t>(n), at);
            }
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            lineFailed_ = true;  // EIO once the master is gone
        }
    }
    return got;
}

std::uint8_t Xor(const Bytes& bytes) {
    std::uint8_t x = 0;
    for (const std::uint8_t b : bytes) {
        x = static_cast<std::uint8_t>(x ^ b);
    }
    return x;
}

Bytes Command(std::uint8_t code) {
    return {0x55, code, 0x00, 0x00, 0xAA};
}

Bytes MemoryWrite(const Bytes& block, bool goodCheck) {
    Bytes frame = {0x55, 0x02, 0x80};
    frame.insert(frame.end(), block.begin(), block.end());
    frame.push_back(static_cast<std::uint8_t>(Xor(block) ^ (goodCheck ? 0x00 : 0x5A)));
    frame.push_back(0xAA);
    return frame;
}

Bytes RomWrite(const Bytes& block) {
    Bytes frame = {0xEC, 0xA6, 0x80};
    frame.insert(frame.end(), block.begin(), block.end());
    frame.push_back(0xBD);
    frame.push_back(0x98);
    return frame;
}

Bytes ParameterAnswerOf(const Bytes& block) {
    Bytes frame = {0x55, 0x03, 0x80};
    frame.insert(frame.end(), block.begin(), block.end());
    frame.push_back(Xor(block));
    frame.push_back(0xAA);
    return frame;
}

Bytes PatternBlock(std::uint8_t seed) {
    Bytes block(128);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(seed + i * 7 + 0xA0);
    }
    return block;
}

std::string Hex(const Bytes& bytes) {
    std::string text;
    char two[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        if (i != 0) {
            text += ' ';
        }
        text += two;
    }
    return text;
}

}  // namespace kelm9d::sim::testing
