#include "platform/module_path/module_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kelm9d {
namespace {

TEST(ModuleFolder, IsTheFolderOfThisTestBinary) {
    const std::string folder = ModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    const std::filesystem::path expected = std::filesystem::canonical(KELM9D_TEST_BINARY_DIR);
    EXPECT_EQ(std::filesystem::canonical(folder), expected);
    EXPECT_TRUE(std::filesystem::exists(folder + KELM9D_TEST_BINARY_NAME));
}

TEST(FolderOfPath, KeepsEverythingUpToTheLastSlash) {
    EXPECT_EQ(FolderOfPath("/opt/kelm9d/bin/kelm9dmaster"), "/opt/kelm9d/bin/");
    EXPECT_EQ(FolderOfPath("/kelm9dmaster"), "/");
    EXPECT_EQ(FolderOfPath("/opt/kelm9d/bin/"), "/opt/kelm9d/bin/");
    EXPECT_EQ(FolderOfPath("/opt/bin/kelm9dmaster (deleted)"), "/opt/bin/");
    EXPECT_EQ(FolderOfPath("kelm9dmaster"), "");
    EXPECT_EQ(FolderOfPath(""), "");
}

}  // namespace
}  // namespace kelm9d
