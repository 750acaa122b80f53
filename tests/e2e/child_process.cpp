#include "tests/e2e/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace kelm9d::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Our environment with `env` set on top.
std::vector<std::string> MergedEnvironment(const Environment& env) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool overridden = false;
        for (const auto& [key, value] : env) {
            overridden = overridden || key == name;
        }
        if (!overridden) {
            merged.push_back(text);
        }
    }
    for (const auto& [key, value] : env) {
        merged.push_back(key + "=" + value);
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Spawns with the given descriptors on 0, 1 and 2 (-1: /dev/null).
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const Environment& env, int in, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const auto attach = [&](int fd, int target, int flags) {
        if (fd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, fd, target);
        } else {
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", flags, 0);
        }
    };
    attach(in, STDIN_FILENO, O_RDONLY);
    attach(out, STDOUT_FILENO, O_WRONLY);
    attach(err, STDERR_FILENO, O_WRONLY);

    std::vector<std::string> argvText = {program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<std::string> envText = MergedEnvironment(env);
    std::vector<char*> argv = Pointers(argvText);
    std::vector<char*> envp = Pointers(envText);
    pid_t pid = -1;
    const int rc =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "posix_spawn " << program << ": " << std::strerror(rc);
        return -1;
    }
    return pid;
}

bool MakePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe2: " << std::strerror(errno);
        return false;
    }
    readEnd = Fd(fds[0]);
    writeEnd = Fd(fds[1]);
    return true;
}

int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the child's end until the deadline; kills it after that.
std::optional<int> Reap(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (Clock::now() >= deadline) {
            ADD_FAILURE() << "child " << pid << " did not end in time; killed";
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return std::nullopt;
        }
        ::usleep(2000);  // polling the child's end; the deadline bounds it
    }
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const Environment& env, std::chrono::milliseconds deadline) {
    ProgramResult result;
    Fd outRead, outWrite, errRead, errWrite;
    if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
        return result;
    }
    const Clock::time_point end = Clock::now() + deadline;
    const pid_t pid = Spawn(program, args, env, -1, outWrite.Get(), errWrite.Get());
    outWrite.Reset();
    errWrite.Reset();
    if (pid < 0) {
        return result;
    }
    // Both streams at once, so that neither pipe fills while we wait on the other.
    while ((outRead.Valid() || errRead.Valid()) && Clock::now() < end) {
        pollfd fds[2] = {{outRead.Get(), POLLIN, 0}, {errRead.Get(), POLLIN, 0}};
        if (::poll(fds, 2, MillisecondsUntil(end)) <= 0) {
            continue;
        }
        const struct {
            Fd* fd;
            std::string* text;
            short revents;
        } streams[] = {{&outRead, &result.out, fds[0].revents},
                       {&errRead, &result.err, fds[1].revents}};
        for (const auto& s : streams) {
            if (!s.fd->Valid() || s.revents == 0) {
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::read(s.fd->Get(), buffer, sizeof buffer);
            if (n > 0) {
                s.text->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                s.fd->Reset();
            }
        }
    }
    result.exitStatus = Reap(pid, end);
    return result;
}

RunningChild::RunningChild(const std::string& program, const std::vector<std::string>& args,
                           const std::string& errorFile) {
    Fd inRead, outWrite;
    if (!MakePipe(inRead, stdin_) || !MakePipe(stdout_, outWrite)) {
        return;
    }
    const Fd err(::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    pid_ = Spawn(program, args, {}, inRead.Get(), outWrite.Get(), err.Get());
}

RunningChild::~RunningChild() {
    if (pid_ > 0) {
        Finish();
    }
}

std::optional<std::string> RunningChild::FirstLine(std::chrono::milliseconds deadline) {
    const Clock::time_point end = Clock::now() + deadline;
    while (outText_.find('\n') == std::string::npos && stdout_.Valid() && Clock::now() < end) {
        pollfd p{stdout_.Get(), POLLIN, 0};
        if (::poll(&p, 1, MillisecondsUntil(end)) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(stdout_.Get(), buffer, sizeof buffer);
        if (n > 0) {
            outText_.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            stdout_.Reset();
        }
    }
    const std::size_t newline = outText_.find('\n');
    if (newline == std::string::npos) {
        return std::nullopt;
    }
    return outText_.substr(0, newline);
}

std::optional<int> RunningChild::Finish(std::chrono::milliseconds deadline) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    stdin_.Reset();  // end of input: kelm9d-sim stops
    const std::optional<int> status = Reap(pid_, Clock::now() + deadline);
    pid_ = -1;
    return status;
}

}  // namespace kelm9d::testing
