// kelm9d-sim: a simulated Kelm9d on a pseudo-terminal. Prints the slave's
// path as its first line and runs until SIGINT, SIGTERM, SIGHUP or end of
// standard input.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/simulated_detector.h"
#include "sim/unique_fd.h"

namespace {

using kelm9d::sim::CommandLine;
using kelm9d::sim::SimError;
using kelm9d::sim::SimErrorKind;
using kelm9d::sim::SimulatedDetector;
using kelm9d::sim::UniqueFd;

constexpr int kExitBadInput = 2;
constexpr int kExitFailure = 1;

int ExitCodeFor(const SimError& error) {
    return error.kind == SimErrorKind::kBadInput ? kExitBadInput : kExitFailure;
}

// Waits for a stop signal or the end of standard input. The signals are
// blocked in every thread and taken through a descriptor, so no handler runs
// inside the service thread.
int WaitForEnd(int signalFd, bool watchStdin) {
    bool stdinOpen = watchStdin;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(fds, stdinOpen ? 2 : 1, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "kelm9d-sim: poll: %s\n", std::strerror(errno));
            return kExitFailure;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return 0;
        }
        if (stdinOpen && fds[1].revents != 0) {
            char buffer[256];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) {
                return 0;  // end of input: the parent is done with us
            }
            if (n < 0 && errno != EINTR && errno != EAGAIN) {
                // EIO: a background job reading its terminal (SIGTTIN is
                // ignored). Not an end of input; stop watching it.
                stdinOpen = false;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CommandLine commandLine;
    if (SimError error = kelm9d::sim::ParseCommandLine(args, commandLine); error.Failed()) {
        std::fprintf(stderr, "kelm9d-sim: %s\n%s\n", error.message.c_str(),
                     kelm9d::sim::UsageLine().c_str());
        return kExitBadInput;
    }
    if (commandLine.help) {
        std::fputs(kelm9d::sim::HelpText().c_str(), stdout);
        return 0;
    }

    // Before any thread starts, so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
        std::fprintf(stderr, "kelm9d-sim: cannot block the stop signals\n");
        return kExitFailure;
    }
    UniqueFd signalFd(::signalfd(-1, &stopSignals, SFD_CLOEXEC));
    if (!signalFd.Valid()) {
        std::fprintf(stderr, "kelm9d-sim: signalfd: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    ::signal(SIGTTIN, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    {
        SimulatedDetector detector(commandLine.options);
        if (SimError error = detector.Start(); error.Failed()) {
            std::fprintf(stderr, "kelm9d-sim: %s\n", error.message.c_str());
            return ExitCodeFor(error);
        }
        std::printf("%s\n", detector.SlavePath().c_str());
        std::fflush(stdout);
        status = WaitForEnd(signalFd.Get(), !commandLine.ignoreStdin);
        detector.Stop();
        if (const std::string last = detector.LastError(); !last.empty()) {
            std::fprintf(stderr, "kelm9d-sim: last ROM write failed: %s\n", last.c_str());
        }
    }
    return status;
}
