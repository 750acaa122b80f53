// The batch command line from arbitrary arguments (the input cut at NUL
// bytes, as argv would be). A parse either gives options or says what was
// wrong, never both; accepted options hold only known commands and panel
// formats, keep the commands in order, and read back to themselves when
// written out again as a command line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/batch_command_line.h"

namespace kelm9d {
namespace {

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "batch_command_line_fuzz: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (!current.empty() || args.empty()) {
        args.push_back(current);
    }
    return args;
}

std::vector<std::string> WrittenOut(const BatchOptions& options) {
    std::vector<std::string> args = {"--batch"};
    if (options.port) {
        args.insert(args.end(), {"--port", *options.port});
    }
    if (options.format) {
        args.insert(args.end(), {"--format", *options.format});
    }
    if (options.json) {
        args.push_back("--json");
    }
    args.insert(args.end(), options.commands.begin(), options.commands.end());
    return args;
}

bool Same(const BatchOptions& a, const BatchOptions& b) {
    return a.port == b.port && a.format == b.format && a.json == b.json && a.commands == b.commands;
}

}  // namespace
}  // namespace kelm9d

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm9d;
    if (size > 4096) {
        return 0;  // a command line, not a file
    }
    const std::vector<std::string> args = Arguments(data, size);
    const BatchParse parse = ParseBatchCommandLine(args);
    Check(parse.options.has_value() != !parse.error.empty(),
          "a parse with both options and an error, or neither");
    if (!parse.options) {
        return 0;
    }
    const BatchOptions& options = *parse.options;
    bool sawBatch = false;
    std::vector<std::string> commands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port" || args[i] == "--format") {
            ++i;  // its value, whatever it looks like
        } else if (args[i] == "--batch") {
            sawBatch = true;
        } else if (args[i] != "--json") {
            commands.push_back(args[i]);
        }
    }
    Check(sawBatch, "accepted without --batch");
    Check(commands == options.commands, "commands lost, invented or reordered");
    for (const std::string& command : options.commands) {
        Check(IsKnownCommand(command), "an unknown command accepted");
        Check(ButtonForCommand(command).has_value() == (command != "show"),
              "a command without its button");
    }
    if (options.format) {
        Check(*options.format == "1717" || *options.format == "1417", "an unknown format accepted");
    }
    const BatchParse again = ParseBatchCommandLine(WrittenOut(options));
    Check(again.options.has_value() && Same(*again.options, options),
          "options do not read back to themselves");
    return 0;
}
