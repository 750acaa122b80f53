// The program and the simulator as child processes, each with a deadline:
// a child that outlives it is killed (by its own pid) and the test fails.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/window_harness.h"

namespace kelm9d::testing {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ProgramResult {
    std::optional<int> exitStatus;  // nullopt: killed at the deadline or by a signal
    std::string out;
    std::string err;
};

// Runs `program` with `args` to its end, standard input from /dev/null, the
// variables in `env` set on top of ours, and both output streams collected.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const Environment& env,
                         std::chrono::milliseconds deadline = std::chrono::seconds(30));

// A child that keeps running: the simulator. Its standard input is a pipe
// (closing it ends kelm9d-sim), its first output line is read on request,
// its error output goes to a file.
class RunningChild {
  public:
    RunningChild(const std::string& program, const std::vector<std::string>& args,
                 const std::string& errorFile);
    ~RunningChild();  // Finish(), then kill if it is still there
    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;

    bool Started() const { return pid_ > 0; }
    // The first line of standard output, without the newline; nullopt when
    // none came within the deadline.
    std::optional<std::string> FirstLine(std::chrono::milliseconds deadline);
    // Ends its input and waits for its exit status.
    std::optional<int> Finish(std::chrono::milliseconds deadline = std::chrono::seconds(10));

  private:
    pid_t pid_ = -1;
    Fd stdin_;
    Fd stdout_;
    std::string outText_;
};

}  // namespace kelm9d::testing
