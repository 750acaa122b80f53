#include "platform/module_path/module_path.h"

#include <unistd.h>

#include <cstddef>
#include <vector>

namespace kelm9d {

extern const char kPathSeparator = '/';

std::string FolderOfPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return std::string();
    }
    return std::string(path.substr(0, slash + 1));
}

std::string ModuleFolder() {
    // readlink does not say whether the target was cut to fit, so grow the
    // buffer until the answer is shorter than it.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return std::string();
        }
        const auto used = static_cast<std::size_t>(length);
        if (used < buffer.size()) {
            return FolderOfPath(std::string_view(buffer.data(), used));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace kelm9d
