// The platform side of port names on Linux: the fixed mapping of comN onto
// the kernel's serial device names, and the probe.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "platform/serial/port_names.h"
#include "platform/serial/posix_fd.h"

namespace kelm9d {

bool IsDevicePath(const std::string& name) {
    return name.find('/') != std::string::npos;
}

std::optional<std::string> FixedPortDevice(int number) {
    struct Range {
        int first;
        const char* prefix;
    };
    // 32 on-board ports, then USB serial adapters, then USB modems (CDC ACM).
    static constexpr Range kRanges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
    for (const Range& range : kRanges) {
        if (number >= range.first && number < range.first + 32) {
            return range.prefix + std::to_string(number - range.first);
        }
    }
    return std::nullopt;
}

bool ProbePort(const std::string& name) {
    const std::optional<std::string> path = ResolvePortName(name);
    if (!path) {
        return false;
    }
    // Only looks: no termios change, no TIOCEXCL, and the lock is let go with
    // the descriptor. A port that its holder made exclusive refuses the open
    // (EBUSY), unless we are root; then the flock, or the exclusive flag
    // itself, still shows that it is taken.
    UniqueFd fd(::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid() || ::isatty(fd.Get()) == 0) {
        return false;
    }
    int exclusive = 0;
    if (::ioctl(fd.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return false;
    }
    return ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

}  // namespace kelm9d
