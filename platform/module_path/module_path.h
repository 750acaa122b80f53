// Where the running program lives, so that files shipped beside it (the
// parameter files in res/) are found wherever it was installed.
#pragma once

#include <string>
#include <string_view>

namespace kelm9d {

// The folder of the running executable, ending in '/'; empty when it
// cannot be found out.
std::string ModuleFolder();

// The folder part of a path: everything up to and including its last '/'.
// Empty when the path holds no '/'.
std::string FolderOfPath(std::string_view path);

}  // namespace kelm9d
