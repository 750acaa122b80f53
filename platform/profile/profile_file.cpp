// Reading a profile file with the portable reader: the platforms without a
// private-profile reader of their own use this one.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/profile/profile.h"

namespace kelm9d {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    std::size_t bufferSize) {
    // C streams rather than iostreams: reading a folder fails quietly here,
    // where a file stream throws.
    std::string text;
    struct CloseFile {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (file) {
        char chunk[4096];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
            text.append(chunk, got);
        }
    }
    return ReadProfileString(text, section, key, defaultValue, bufferSize);
}

}  // namespace kelm9d
