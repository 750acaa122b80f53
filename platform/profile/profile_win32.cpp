// On Windows the platform's own private-profile reader reads the files, so
// that the program sees them exactly as every other program there does. The
// portable ReadProfileString (profile.cpp) follows its rules, and a test
// compares the two.
#include <windows.h>
// The header names the A or W form of the call by this macro; ours is a
// function of its own.
#undef GetPrivateProfileString

#include <string>
#include <vector>

#include "platform/profile/profile.h"

namespace kelm9d {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    std::size_t bufferSize) {
    if (bufferSize == 0) {
        return std::string();
    }
    // The call takes terminated texts; a size past what a DWORD holds is cut.
    const std::string sectionText(section);
    const std::string keyText(key);
    const std::string defaultText(defaultValue);
    const DWORD size = bufferSize > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bufferSize);
    std::vector<char> buffer(size, '\0');
    const DWORD length =
        ::GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), defaultText.c_str(),
                                   buffer.data(), size, path.c_str());
    return std::string(buffer.data(), length < size ? length : size - 1);
}

}  // namespace kelm9d
