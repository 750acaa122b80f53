// kelm9dmaster: the window by default, the scripted host with --batch.
#include <iostream>
#include <string>
#include <vector>

#include "app/orvane_app.h"
#include "app/window.h"
#include "batch/batch_host.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--batch") {
            return kelm9d::RunBatchCommandLine(
                [](kelm9d::DialogHost& host) { kelm9d::theApp.InitApplication(host); }, args,
                std::cout, std::cerr);
        }
    }
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << "usage: kelm9dmaster            open the window\n" << kelm9d::BatchUsage();
        return 0;
    }
    return kelm9d::RunWindow(argc, argv);
}
