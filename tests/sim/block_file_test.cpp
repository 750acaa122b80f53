// The built-in block, block files and their atomic rewrite.
#include "sim/block_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/sim/far_end.h"
#include "tests/sim/temp_dir.h"

namespace kelm9d::sim {
namespace {

using testing::Bytes;
using testing::PatternBlock;
using testing::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

std::uint16_t Word(const ParameterBlock& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(InitialBlockTest, LooksLikeARealSeventeenInchPanel) {
    const ParameterBlock& b = InitialBlock();
    EXPECT_EQ(b[1], 11);  // product code: Kelm9d
    EXPECT_EQ(b[3], 43);  // 43 cm = 17 inch, both ways
    EXPECT_EQ(b[4], 43);
    EXPECT_EQ((std::vector<int>{b[5], b[6], b[7]}), (std::vector<int>{4, 1, 4}));
    EXPECT_EQ((std::vector<int>{b[10], b[11], b[12]}), (std::vector<int>{14, 4, 4}));
    EXPECT_EQ(Word(b, 46), 128);  // vt
    EXPECT_EQ(Word(b, 48), 6);    // pga
    const std::string serial(b.begin() + 114, b.begin() + 127);
    EXPECT_EQ(serial.size(), 13u);
    for (const char c : serial) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << serial;
    }
    // Two-byte fields the window shows as numbers, check boxes or lists.
    for (const std::size_t at : std::initializer_list<std::size_t>{
             20, 22, 24, 26, 28, 34, 36, 38, 52, 54, 58, 62, 64, 66, 70, 72}) {
        EXPECT_NE(Word(b, at), 0) << "block byte " << at;
    }
    EXPECT_NE(b[60], 0);            // sensor selection
    EXPECT_NE(b[61], 0);            // sensor selection reset
    EXPECT_EQ(Word(b, 72), 28000);  // exposure window passes the program's 5000 check
}

TEST(BlockFileTest, ParsesRawAndHexForms) {
    const Bytes block = PatternBlock(9);
    const std::string raw(block.begin(), block.end());
    std::string spaced;  // every kind of white space, both letter cases
    std::string packed;  // pairs with no white space at all
    const char* seps[] = {" ", "\n", "\t", "  ", "\r\n"};
    for (std::size_t i = 0; i < block.size(); ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, i % 2 == 0 ? "%02x" : "%02X", block[i]);
        spaced += pair;
        spaced += seps[i % 5];
        packed += pair;
    }
    for (const std::string& text : {raw, spaced, "\n\n" + spaced, packed}) {
        ParameterBlock parsed{};
        const SimError e = ParseBlockText(text, "f", parsed);
        ASSERT_FALSE(e.Failed()) << e.message;
        EXPECT_EQ(Bytes(parsed.begin(), parsed.end()), block);
    }
}

TEST(BlockFileTest, RejectsAnythingButExactly128Bytes) {
    const std::string pairs127 = [] {
        std::string s;
        for (int i = 0; i < 127; ++i) {
            s += "AB ";
        }
        return s;
    }();
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"127 raw bytes", std::string(127, '\x01')},
        {"129 raw bytes", std::string(129, '\x01')},
        {"127 hex pairs", pairs127},
        {"129 hex pairs", pairs127 + "01 02"},
        {"a lone digit", pairs127 + "0"},
        {"a pair split by space", pairs127 + "0 1"},
        {"not hex", pairs127 + "0G"},
        {"0x prefixes", pairs127 + "0x01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ParameterBlock parsed = InitialBlock();
        const SimError e = ParseBlockText(c.text, "my.blk", parsed);
        EXPECT_EQ(e.kind, SimErrorKind::kBadInput);
        EXPECT_NE(e.message.find("my.blk"), std::string::npos) << e.message;
        EXPECT_EQ(parsed, InitialBlock()) << "a refused file must leave the block alone";
    }
}

TEST(BlockFileTest, MissingFileIsBadInput) {
    ParameterBlock b{};
    const SimError e = ReadBlockFile("/nonexistent/folder/rom.bin", b);
    EXPECT_EQ(e.kind, SimErrorKind::kBadInput);
    EXPECT_NE(e.message.find("/nonexistent/folder/rom.bin"), std::string::npos);
}

TEST(BlockFileTest, AtomicWriteReplacesTheFileAndLeavesNothingElse) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string path = dir.Path() + "/rom.bin";
    WriteAll(path,
             "an older, longer file that must be replaced entirely ..................."
             "........................................................................");
    const Bytes block = PatternBlock(1);
    ParameterBlock b{};
    std::copy(block.begin(), block.end(), b.begin());

    const SimError e = WriteBlockFileAtomically(path, b);
    ASSERT_FALSE(e.Failed()) << e.message;
    EXPECT_EQ(ReadAll(path), std::string(block.begin(), block.end()));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"rom.bin"}) << "no temporary file left";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);

    ParameterBlock back{};
    ASSERT_FALSE(ReadBlockFile(path, back).Failed());
    EXPECT_EQ(back, b);
}

TEST(BlockFileTest, AtomicWriteIntoAMissingFolderFails) {
    const SimError e = WriteBlockFileAtomically("/nonexistent/folder/rom.bin", InitialBlock());
    EXPECT_EQ(e.kind, SimErrorKind::kSystem);
    EXPECT_NE(e.message.find("/nonexistent/folder/rom.bin"), std::string::npos);
}

}  // namespace
}  // namespace kelm9d::sim
