// The folder of the running program on Windows.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/module_path/module_path.h"

namespace kelm9d {

extern const char kPathSeparator = '\\';

std::string FolderOfPath(std::string_view path) {
    // Windows takes either separator; a bare drive ("C:name") has its folder
    // in the drive letter.
    std::size_t end = path.find_last_of("\\/");
    if (end == std::string_view::npos) {
        if (path.size() >= 2 && path[1] == ':') {
            return std::string(path.substr(0, 2));
        }
        return std::string();
    }
    return std::string(path.substr(0, end + 1));
}

std::string ModuleFolder() {
    // A path that does not fit is cut and the call says so only by filling
    // the whole buffer: grow it until the answer is shorter.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return std::string();
        }
        if (length < size) {
            std::string folder = FolderOfPath(std::string_view(buffer.data(), length));
            if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
                folder += '\\';
            }
            return folder;
        }
        if (buffer.size() >= 32768) {
            return std::string();  // no Windows path is longer
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace kelm9d
