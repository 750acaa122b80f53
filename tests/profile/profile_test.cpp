#include "platform/profile/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace kelm9d {
namespace {

constexpr const char* kFile =
    "; parameter file for the 1717 panel\r\n"
    "top=before any section\r\n"
    "[CONFIG_PARAMETER]\r\n"
    "TIME_SPAN=1500\r\n"
    "  vt \t=\t 1.68  \r\n"
    "Pga=5\r\n"
    "   ; PGA=9 commented out\r\n"
    "# HUMIDITY=not a comment marker\r\n"
    "EMPTY=\r\n"
    "BLANKS=   \r\n"
    "QUOTED=\" padded \"\r\n"
    "SINGLE='one'\r\n"
    "MIXED=\"mixed'\r\n"
    "LONE=\"\r\n"
    "INNER=a \"b\" c\r\n"
    "NOTE=5 ; trailing text\r\n"
    "EQUALS=a=b\r\n"
    "just a line without equals\r\n"
    "TIME_SPAN=2000\r\n"
    "[ other ] trailing\r\n"
    "VT=9.99\r\n"
    "[config_parameter]\r\n"
    "LATER=only in the duplicate section\r\n"
    "[Broken\r\n"
    "KEY=in broken\r\n"
    "[high]\r\n"
    "\xB0\xC2=\xB6\xC8\r\n"
    "LAST=no newline at the end";

struct Case {
    const char* what;
    const char* section;
    const char* key;
    const char* defaultValue;
    const char* expected;
};

TEST(ReadProfileString, FollowsTheProfileRules) {
    const Case cases[] = {
        {"plain value", "CONFIG_PARAMETER", "TIME_SPAN", "x", "1500"},
        {"names without regard to case", "config_parameter", "time_span", "x", "1500"},
        {"blanks around names and values", "CONFIG_PARAMETER", "VT", "x", "1.68"},
        {"query names are trimmed too", " CONFIG_PARAMETER ", " PGA\t", "x", "5"},
        {"comment line is skipped", "CONFIG_PARAMETER", "PGA", "x", "5"},
        {"only ';' starts a comment", "CONFIG_PARAMETER", "# HUMIDITY", "x",
         "not a comment marker"},
        {"empty value is not the default", "CONFIG_PARAMETER", "EMPTY", "x", ""},
        {"blank value is empty", "CONFIG_PARAMETER", "BLANKS", "x", ""},
        {"double quotes removed, inside kept", "CONFIG_PARAMETER", "QUOTED", "x", " padded "},
        {"single quotes removed", "CONFIG_PARAMETER", "SINGLE", "x", "one"},
        {"unmatched quotes kept", "CONFIG_PARAMETER", "MIXED", "x", "\"mixed'"},
        {"a lone quote is kept", "CONFIG_PARAMETER", "LONE", "x", "\""},
        {"inner quotes kept", "CONFIG_PARAMETER", "INNER", "x", "a \"b\" c"},
        {"no inline comments", "CONFIG_PARAMETER", "NOTE", "x", "5 ; trailing text"},
        {"value after the first '='", "CONFIG_PARAMETER", "EQUALS", "x", "a=b"},
        {"first of duplicate keys", "CONFIG_PARAMETER", "TIME_SPAN", "x", "1500"},
        {"line without '=' is no key", "CONFIG_PARAMETER", "just a line without equals", "x", "x"},
        {"section name trimmed, rest ignored", "OTHER", "vt", "x", "9.99"},
        {"keys before any section belong to none", "", "top", "d", "d"},
        {"missing ']' names the section to the end", "Broken", "KEY", "x", "in broken"},
        {"8-bit bytes compared as they are", "high", "\xB0\xC2", "x", "\xB6\xC8"},
        {"8-bit bytes are not case-folded", "high", "\x90\xC2", "x", "x"},
        {"last line without newline", "high", "LAST", "x", "no newline at the end"},
        {"missing section gives the default", "NOPE", "TIME_SPAN", "139", "139"},
        {"missing key gives the default", "CONFIG_PARAMETER", "PIXEL_X", "43", "43"},
        {"default loses trailing blanks only", "NOPE", "K", "  35.7 \t ", "  35.7"},
        {"empty default", "NOPE", "K", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadProfileString(kFile, c.section, c.key, c.defaultValue), c.expected) << c.what;
    }
}

TEST(ReadProfileString, LaterSectionOfTheSameNameIsNotSearched) {
    EXPECT_EQ(ReadProfileString(kFile, "CONFIG_PARAMETER", "LATER", "default"), "default");
}

TEST(ReadProfileString, LineEndsOfEveryKind) {
    for (const char* text : {"[s]\nk=v\nn=w", "[s]\r\nk=v\r\nn=w\r\n", "[s]\rk=v\rn=w\r",
                             "[s]\n\n\r\n  \t\nk=v\n\nn=w\n"}) {
        EXPECT_EQ(ReadProfileString(text, "s", "k", "x"), "v") << text;
        EXPECT_EQ(ReadProfileString(text, "s", "n", "x"), "w") << text;
    }
    EXPECT_EQ(ReadProfileString("", "s", "k", "x"), "x");
    EXPECT_EQ(ReadProfileString("[s]", "s", "k", "x"), "x");
}

TEST(ReadProfileString, ResultsAreCutToTheBuffer) {
    const std::string longValue(600, 'a');
    const std::string text = "[s]\nk=" + longValue + "\nq=\"abcdef\"\n";
    EXPECT_EQ(ReadProfileString(text, "s", "k", "x"), std::string(511, 'a'));
    EXPECT_EQ(ReadProfileString(text, "s", "k", "x", 512), std::string(511, 'a'));
    EXPECT_EQ(ReadProfileString(text, "s", "q", "x", 4), "abc");  // cut after unquoting
    EXPECT_EQ(ReadProfileString(text, "s", "k", "x", 1), "");
    EXPECT_EQ(ReadProfileString(text, "s", "k", "x", 0), "");
    EXPECT_EQ(ReadProfileString(text, "s", "none", longValue, 512), std::string(511, 'a'));
    EXPECT_EQ(ReadProfileString(text, "s", "none", "12345", 3), "12");
}

TEST(ReadProfileString, TakesAnyBytes) {
    const std::string text("[s]\nk=a\0b\n[t]\nz\0=1\n", 19);
    EXPECT_EQ(ReadProfileString(text, "s", "k", "x"), std::string("a\0b", 3));
    EXPECT_EQ(ReadProfileString(text, "t", std::string("z\0", 2), "x"), "1");
}

class ProfileFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("kelm9d_profile_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path folder_;
};

TEST_F(ProfileFile, ReadsTheFile) {
    const std::string path = Write("orvane_1717.ini", kFile);
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "VT", "0", path), "1.68");
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "EMPTY", "0", path), "");
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "PIXEL_X", "43 ", path), "43");
}

TEST_F(ProfileFile, MissingOrUnreadableFileGivesTheDefault) {
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "VT", "1.68 ",
                                      (folder_ / "res" / "orvane_1417.ini").string()),
              "1.68");
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "VT", "d", folder_.string()), "d");
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "VT", "d", ""), "d");
    EXPECT_EQ(GetPrivateProfileString("CONFIG_PARAMETER", "VT", "d", Write("empty.ini", "")), "d");
}

}  // namespace
}  // namespace kelm9d
