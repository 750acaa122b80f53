#include "batch/batch_command_line.h"

#include <array>
#include <utility>

#include "ui/control_ids.h"

namespace kelm9d {
namespace {

constexpr std::array<std::pair<const char*, int>, 10> kCommands = {{
    {"start", idc::kStart},
    {"stop", idc::kStop},
    {"read", idc::kRead},
    {"write", idc::kWrite},
    {"write-rom", idc::kWriteRom},
    {"reset", idc::kReset},
    {"temperature", idc::kQueryTemperature},
    {"version", idc::kQueryReadBoardVersion},
    {"read-file", idc::kReadFile},
    {"exit", idc::kExit},
}};

constexpr const char* kShowCommand = "show";

}  // namespace

std::optional<int> ButtonForCommand(const std::string& command) {
    for (const auto& [name, id] : kCommands) {
        if (command == name) {
            return id;
        }
    }
    return std::nullopt;
}

bool IsKnownCommand(const std::string& command) {
    return command == kShowCommand || ButtonForCommand(command).has_value();
}

BatchParse ParseBatchCommandLine(const std::vector<std::string>& args) {
    BatchParse parse;
    BatchOptions options;
    bool sawBatch = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](const char* option) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                parse.error = std::string(option) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--batch") {
            sawBatch = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--port") {
            options.port = value("--port");
            if (!options.port)
                return parse;
        } else if (arg == "--format") {
            options.format = value("--format");
            if (!options.format)
                return parse;
            if (*options.format != "1717" && *options.format != "1417") {
                parse.error = "unknown panel format: " + *options.format;
                return parse;
            }
        } else if (arg.rfind("--", 0) == 0) {
            parse.error = "unknown option: " + arg;
            return parse;
        } else if (IsKnownCommand(arg)) {
            options.commands.push_back(arg);
        } else {
            parse.error = "unknown command: " + arg;
            return parse;
        }
    }
    if (!sawBatch) {
        parse.error = "--batch is missing";
        return parse;
    }
    parse.options = std::move(options);
    return parse;
}

std::string BatchUsage() {
    return "usage: kelm9dmaster --batch [--port NAME] [--format 1717|1417] [--json] COMMAND...\n"
           "\n"
           "Runs the window's set-up without a window, then each COMMAND as a click on its\n"
           "button, in order, and ends as Exit does.\n"
           "\n"
           "  --port NAME     port name for the port selector (com1 ... or a device path);\n"
           "                  default: the first port found\n"
           "  --format F      panel format for the parameter file: 1717 (default) or 1417\n"
           "  --json          one JSON object per command, with every control's state\n"
           "\n"
           "commands: start stop read write write-rom reset temperature version read-file\n"
           "          show exit\n"
           "\n"
           "Exit status: 0 when no command failed and no message box was shown; 1 otherwise;\n"
           "2 for a usage error or a command whose button is disabled.\n";
}

}  // namespace kelm9d
