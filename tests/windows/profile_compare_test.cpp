// Our portable profile reader against the platform's own: every case is
// written to a file, read back through GetPrivateProfileStringA, and must
// give what ReadProfileString gives for the same text. Linux uses the
// portable reader, so this is what keeps the two platforms' parameter files
// reading alike.
#include <windows.h>
// The header names the A or W call by this macro; ours is our own function.
#undef GetPrivateProfileString

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <string>

#include "files/parameter_file.h"
#include "platform/profile/profile.h"
#include "tests/windows/temp_folder.h"

namespace kelm9d {
namespace {

struct Case {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::size_t bufferSize = kProfileBufferSize;
};

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

TEST(ProfileCompare, PortableReaderReadsAsThePlatformDoes) {
    const std::string longValue(600, 'x');
    const Case cases[] = {
        {"plain key", "[CONFIG_PARAMETER]\nVT=1.70\n", "CONFIG_PARAMETER", "VT", "1.68"},
        {"names without regard to case", "[config_parameter]\nvt=1.70\n", "CONFIG_PARAMETER", "VT",
         "1.68"},
        {"blanks around names and values", "[ CONFIG_PARAMETER ]\n  VT \t=  1.70  \n",
         "CONFIG_PARAMETER", "VT", "1.68"},
        {"double quotes removed", "[S]\nk=\"  spaced  \"\n", "S", "k", "d"},
        {"single quotes removed", "[S]\nk='x'\n", "S", "k", "d"},
        {"unmatched quote kept", "[S]\nk=\"x\n", "S", "k", "d"},
        {"comment line", "[S]\n;k=1\nk=2\n", "S", "k", "d"},
        {"no trailing comments", "[S]\nk=v ; note\n", "S", "k", "d"},
        {"first key counts", "[S]\nk=1\nk=2\n", "S", "k", "d"},
        {"first section counts", "[S]\na=1\n[T]\nk=9\n[S]\nk=2\n", "S", "k", "d"},
        {"missing key gives default", "[S]\nother=1\n", "S", "k", "fallback"},
        {"default loses trailing blanks", "[S]\n", "S", "k", "fallback  "},
        {"missing section", "[T]\nk=1\n", "S", "k", "d"},
        {"empty value is no default", "[S]\nk=\n", "S", "k", "d"},
        {"line without equals ignored", "[S]\nnoise\nk=3\n", "S", "k", "d"},
        {"keys before any section ignored", "k=0\n[S]\nk=4\n", "S", "k", "d"},
        {"text after the bracket", "[S] trailing\nk=5\n", "S", "k", "d"},
        {"CRLF line ends", "[S]\r\nk=6\r\n", "S", "k", "d"},
        {"last line without an end", "[S]\nk=7", "S", "k", "d"},
        {"equals inside the value", "[S]\nk=a=b\n", "S", "k", "d"},
        {"value cut to the buffer", "[S]\nk=" + longValue + "\n", "S", "k", "d"},
        {"small buffer", "[S]\nk=12345\n", "S", "k", "d", 3},
        {"8-bit text kept", "[S]\nk=\xB5s \xE9t\xE9\n", "S", "k", "d"},
        {"empty file", "", "S", "k", "d"},
    };
    const TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = folder.Path("case" + std::to_string(index++) + ".ini");
        WriteFile(path, c.text);
        const std::string platform =
            GetPrivateProfileString(c.section, c.key, c.defaultValue, path, c.bufferSize);
        const std::string portable =
            ReadProfileString(c.text, c.section, c.key, c.defaultValue, c.bufferSize);
        EXPECT_EQ(portable, platform) << c.what;
    }
}

TEST(ProfileCompare, MissingFileGivesTheDefault) {
    const TempFolder folder;
    EXPECT_EQ(GetPrivateProfileString("S", "k", "d", folder.Path("absent.ini")), "d");
}

TEST(ProfileCompare, ParameterFileReadsTheSameOnBothReaders) {
    const TempFolder folder;
    const std::string text =
        "[CONFIG_PARAMETER]\r\nTIME_SPAN=1800\r\nVT = 1.75\r\nTRIGGER=4\r\n"
        "RAD_ENABLE_SIGNAL=-1\r\nTIME_YEAR=14\r\n[OTHER]\r\nPGA=7\r\n";
    const std::string path = folder.Path("orvane_1717.ini");
    WriteFile(path, text);
    const ParameterFileValues values = ReadParameterFile(path);
    for (std::size_t i = 0; i < kParameterFileEntries.size(); ++i) {
        EXPECT_EQ(values[i],
                  ReadProfileString(text, kParameterFileSection, kParameterFileEntries[i].key,
                                    kParameterFileEntries[i].defaultValue))
            << kParameterFileEntries[i].key;
    }
    EXPECT_EQ(values[kTimeSpanKey], "1800");
    EXPECT_EQ(values[kPgaKey], "5");  // the other section's key does not count
}

}  // namespace
}  // namespace kelm9d
