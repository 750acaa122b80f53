#include <iostream>

#include "app/window.h"

namespace kelm9d {

int RunWindow(int /*argc*/, char** /*argv*/) {
    std::cerr << "kelm9dmaster: this build has no window (Qt 6 was not found); "
                 "run it with --batch\n";
    return 2;
}

}  // namespace kelm9d
