#include "files/parameter_file.h"

#include "platform/module_path/module_path.h"
#include "platform/profile/profile.h"

namespace kelm9d {

std::string ParameterFilePath(std::string_view programFolder, std::string_view format) {
    std::string path(programFolder);
    path += "res";
    path += kPathSeparator;
    path += "orvane_";
    path += format;
    path += ".ini";
    return path;
}

ParameterFileValues ReadParameterFile(const std::string& path) {
    ParameterFileValues values;
    for (std::size_t i = 0; i < kParameterFileEntries.size(); ++i) {
        values[i] = GetPrivateProfileString(kParameterFileSection, kParameterFileEntries[i].key,
                                            kParameterFileEntries[i].defaultValue, path);
    }
    return values;
}

}  // namespace kelm9d
