// Where the running program lives, so that files shipped beside it (the
// parameter files in res/) are found wherever it was installed.
#pragma once

#include <string>
#include <string_view>

namespace kelm9d {

// What separates the folders of a path on this platform: '/', or '\\' on
// Windows.
extern const char kPathSeparator;

// The folder of the running executable, ending in a separator; empty when it
// cannot be found out.
std::string ModuleFolder();

// The folder part of a path: everything up to and including its last
// separator ('/'; on Windows '\\' or '/', or the drive of "C:name"). Empty
// when the path holds none.
std::string FolderOfPath(std::string_view path);

}  // namespace kelm9d
