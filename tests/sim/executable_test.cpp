// kelm9d-sim itself, run as a child process.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "sim/unique_fd.h"
#include "tests/sim/far_end.h"
#include "tests/sim/temp_dir.h"

extern char** environ;

namespace kelm9d::sim {
namespace {

using namespace std::chrono_literals;
using testing::Command;
using testing::FarEnd;
using testing::Hex;
using testing::TempDir;

constexpr auto kTimeout = 10s;

// A running kelm9d-sim with pipes on its standard streams.
class Child {
  public:
    explicit Child(const std::vector<std::string>& args) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe2";
            return;
        }
        UniqueFd inRead(in[0]), outWrite(out[1]), errWrite(err[1]);
        stdin_.Reset(in[1]);
        stdout_.Reset(out[0]);
        stderr_.Reset(err[0]);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, inRead.Get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO);
        std::vector<std::string> all = {KELM9D_SIM_EXECUTABLE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int rc =
            ::posix_spawn(&pid, KELM9D_SIM_EXECUTABLE, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "posix_spawn: " << rc;
            return;
        }
        pid_ = pid;
    }

    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }

    // The first line of standard output, without its newline.
    std::optional<std::string> FirstLine() {
        while (outText_.find('\n') == std::string::npos) {
            if (!ReadSome(stdout_, outText_)) {
                return std::nullopt;
            }
        }
        return outText_.substr(0, outText_.find('\n'));
    }

    void Signal(int signal) { ::kill(pid_, signal); }
    void CloseStdin() { stdin_.Reset(); }

    // Waits for the end (its output pipes close), then reaps it; returns the
    // exit status, or nullopt when it did not end in time or was killed.
    std::optional<int> Wait() {
        while (ReadSome(stdout_, outText_)) {
        }
        while (ReadSome(stderr_, errText_)) {
        }
        if (pid_ <= 0) {
            return std::nullopt;
        }
        int status = 0;
        // The pipes closed, so it has ended or is ending now.
        if (!stdoutClosed_ || ::waitpid(pid_, &status, 0) != pid_) {
            return std::nullopt;
        }
        pid_ = -1;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

    const std::string& Out() const { return outText_; }
    const std::string& Err() const { return errText_; }

  private:
    // Reads what is there within the deadline; false at end of file or time-out.
    bool ReadSome(UniqueFd& fd, std::string& into) {
        if (!fd.Valid()) {
            return false;
        }
        const auto deadline = testing::Clock::now() + kTimeout;
        while (testing::Clock::now() < deadline) {
            pollfd p{fd.Get(), POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
            if (n > 0) {
                into.append(buffer, static_cast<std::size_t>(n));
                return true;
            }
            if (n == 0) {
                if (&fd == &stdout_) {
                    stdoutClosed_ = true;
                }
                fd.Reset();
                return false;
            }
        }
        return false;
    }

    pid_t pid_ = -1;
    UniqueFd stdin_, stdout_, stderr_;
    std::string outText_, errText_;
    bool stdoutClosed_ = false;
};

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

TEST(SimExecutableTest, ServesTheLinkUntilSigtermThenExitsCleanly) {
    TempDir dir;
    const std::string link = dir.Path() + "/com1";
    Child sim({"--link", link, "--no-pacing"});
    const std::optional<std::string> slave = sim.FirstLine();
    ASSERT_TRUE(slave.has_value()) << sim.Err();
    EXPECT_EQ(slave->rfind("/dev/", 0), 0u) << *slave;

    FarEnd line(link);
    ASSERT_TRUE(line.IsOpen()) << "errno " << line.OpenErrno();
    ASSERT_TRUE(line.Send(Command(0x0C)));
    EXPECT_EQ(Hex(line.Read(5, kTimeout)), "55 02 12 05 AA");
    ASSERT_TRUE(line.Send(Command(0x03)));
    EXPECT_EQ(line.Read(133, kTimeout).size(), 133u);

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(), std::optional<int>(0)) << sim.Err();
    EXPECT_FALSE(Exists(link)) << "the link outlived the simulator";
}

TEST(SimExecutableTest, EndsAtTheEndOfItsInput) {
    Child sim({"--no-pacing", "--version", "3.4.56"});
    const std::optional<std::string> slave = sim.FirstLine();
    ASSERT_TRUE(slave.has_value()) << sim.Err();
    FarEnd line(*slave);
    ASSERT_TRUE(line.Send(Command(0x0C)));
    EXPECT_EQ(Hex(line.Read(5, kTimeout)), "55 02 34 56 AA");
    sim.CloseStdin();
    EXPECT_EQ(sim.Wait(), std::optional<int>(0)) << sim.Err();
}

TEST(SimExecutableTest, HelpDocumentsEveryOption) {
    Child sim({"--help"});
    ASSERT_EQ(sim.Wait(), std::optional<int>(0));
    for (const char* option : {"--link",         "--ignore-stdin",
                               "--block",        "--rom",
                               "--temperature",  "--temp-code",
                               "--version",      "--burn-ms",
                               "--latency-ms",   "--no-pacing",
                               "--silent",       "--no-rom-ack",
                               "--ack-delay-ms", "--noise",
                               "--seed",         "--bad-trailer",
                               "--short-answer", "--inner-delay-every-ms",
                               "--inner-delay",  "--hangup-after-bytes",
                               "--log",          "--help"}) {
        EXPECT_NE(sim.Out().find(std::string("\n  ") + option), std::string::npos)
            << option << " is not documented";
    }
}

TEST(SimExecutableTest, BadInputExitsWithStatus2AndSaysWhy) {
    TempDir dir;
    const std::string badBlock = dir.Path() + "/bad.blk";
    std::ofstream(badBlock) << "55 03 80";
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--burn-ms"}, "--burn-ms needs a value"},
        {{"--version", "1.2"}, "--version"},
        {{"--block", badBlock}, "bad.blk"},
        {{"--rom", badBlock}, "bad.blk"},
        {{"--link", dir.Path() + "/missing/com1"}, "missing/com1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Child sim(c.args);
        EXPECT_EQ(sim.Wait(), std::optional<int>(2));
        EXPECT_NE(sim.Err().find(c.says), std::string::npos) << sim.Err();
        EXPECT_TRUE(sim.Out().empty()) << "no slave path on a refused start";
    }
}

}  // namespace
}  // namespace kelm9d::sim
