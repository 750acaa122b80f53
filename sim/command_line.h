// The command line of kelm9d-sim, parsed into options without side effects
// beyond reading the --block file.
#pragma once

#include <string>
#include <vector>

#include "sim/sim_error.h"
#include "sim/sim_options.h"

namespace kelm9d::sim {

struct CommandLine {
    SimOptions options;
    bool help = false;         // --help, -h
    bool ignoreStdin = false;  // --ignore-stdin: run until a signal only
};

// Parses the arguments after the program name. Accepts "--opt VALUE" and
// "--opt=VALUE". A bad option or value fails with kBadInput and a message
// naming it; so does an unusable --block file.
SimError ParseCommandLine(const std::vector<std::string>& args, CommandLine& result);

// The --help text: every option, one paragraph each.
std::string HelpText();

// One line pointing at --help, for the end of an error message.
std::string UsageLine();

}  // namespace kelm9d::sim
