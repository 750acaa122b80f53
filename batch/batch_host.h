// The scripted host: the main window's logic with no window. It runs the
// set-up, fills in the port and the panel format, clicks each command's
// button in order, reports after every command, and ends as Exit does.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "batch/batch_command_line.h"
#include "platform/dialog/dialog.h"

namespace kelm9d {

inline constexpr int kBatchOk = 0;
inline constexpr int kBatchFailed = 1;  // a command failed or a message box came up
inline constexpr int kBatchUsage = 2;   // bad command line, or a disabled button

// Starts the application on the given host: the application object's start
// hook, which runs the main window modally.
using RunApplication = std::function<void(DialogHost& host)>;

// Runs `options` and returns the exit status.
int RunBatch(const RunApplication& run, const BatchOptions& options, std::ostream& out,
             std::ostream& err);

// Parses the arguments after the program name and runs them.
int RunBatchCommandLine(const RunApplication& run, const std::vector<std::string>& args,
                        std::ostream& out, std::ostream& err);

}  // namespace kelm9d
