// The scripted host's command line:
//   kelm9dmaster --batch [--port NAME] [--format 1717|1417] [--json] COMMAND...
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelm9d {

struct BatchOptions {
    std::optional<std::string> port;    // into the port selector's edit field
    std::optional<std::string> format;  // into the panel-format list
    bool json = false;
    std::vector<std::string> commands;
};

struct BatchParse {
    std::optional<BatchOptions> options;  // nullopt: print the usage, exit status 2
    std::string error;                    // what was wrong, for the operator
};

// `args` are the arguments after the program name, "--batch" included.
BatchParse ParseBatchCommandLine(const std::vector<std::string>& args);

// The button a command clicks, or nullopt for "show" (no button) and
// unknown commands.
std::optional<int> ButtonForCommand(const std::string& command);
bool IsKnownCommand(const std::string& command);

std::string BatchUsage();

}  // namespace kelm9d
