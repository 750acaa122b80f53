// Opens the program's window, when this build has one.
#pragma once

namespace kelm9d {

// Runs the application in its window and returns the process exit status;
// reports on standard error when there is no window or no display.
int RunWindow(int argc, char** argv);

}  // namespace kelm9d
