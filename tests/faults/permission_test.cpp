// The real kelm9dmaster, run by a user who may not open the port: Start is
// refused with the connection-failed message, and the reason is on the line
// after it (the batch host prints the box as one line). Root opens any tty
// whatever its mode, so as root the program runs as "nobody" through
// setpriv against a pseudo-terminal that only root may open.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "tests/ui/window_harness.h"
#include "ui/window_texts.h"

extern char** environ;

namespace kelm9d::testing {
namespace {

using namespace std::chrono_literals;

struct Outcome {
    bool ran = false;
    bool exited = false;
    int status = -1;
    std::string output;  // standard output and error together
};

// Runs `argv` with stdin closed, collecting its output, and waits for its
// end with a deadline; a child past the deadline is killed.
Outcome RunProgram(const std::vector<std::string>& argv, std::chrono::seconds deadline) {
    Outcome outcome;
    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return outcome;
    }
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), 1);
    ::posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    writeEnd.Reset();
    if (spawned != 0) {
        return outcome;
    }
    outcome.ran = true;
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd p{readEnd.Get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[512];
        const ssize_t n = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (n <= 0) {
            break;  // every copy of the write end is closed: the child ended
        }
        outcome.output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        outcome.exited = true;
        outcome.status = WEXITSTATUS(status);
    }
    return outcome;
}

std::string FindSetpriv() {
    for (const char* path : {"/usr/bin/setpriv", "/bin/setpriv"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

TEST(PermissionDenied, StartIsRefusedAndTheMessageSaysWhy) {
    const bool root = ::geteuid() == 0;
    const std::string setpriv = root ? FindSetpriv() : std::string();
    if (root && setpriv.empty()) {
        GTEST_SKIP() << "running as root without setpriv: no user to be denied";
    }

    Pty pty;
    ASSERT_TRUE(pty.Ok());
    // As root: only root may open it. Otherwise: not even its owner.
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), root ? 0600 : 0000), 0);

    // A copy of the program and an empty port folder that the other user can
    // reach, wherever the build folder is.
    TempFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
    const std::string program = folder / "kelm9dmaster";
    std::filesystem::copy_file(KELM9D_MASTER_EXECUTABLE, program);
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    const ScopedEnv portFolder("KELM9D_PORT_DIR", folder.Path());

    std::vector<std::string> argv;
    if (root) {
        argv = {setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    argv.insert(argv.end(), {program, "--batch", "--port", pty.SlavePath(), "start"});
    const Outcome outcome = RunProgram(argv, 60s);
    ASSERT_TRUE(outcome.ran);
    ASSERT_TRUE(outcome.exited) << outcome.output;
    std::cout << outcome.output;
    EXPECT_EQ(outcome.status, 1) << "a message box came up";
    const std::string expected = std::string("message: ") + text::kConnectionFailed + " " +
                                 pty.SlavePath() +
                                 ": permission denied: is the user in the dialout group?\n";
    EXPECT_NE(outcome.output.find(expected), std::string::npos) << outcome.output;
}

}  // namespace
}  // namespace kelm9d::testing
