#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"
#include "tests/serial/test_support.h"

namespace kelm9d {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

TEST(PortNames, ComNumbers) {
    struct Case {
        const char* name;
        std::optional<int> number;
    };
    const Case cases[] = {
        {"com1", 1},
        {"COM32", 32},
        {"Com33", 33},
        {"cOm96", 96},
        {"com255", 255},
        {"com0", std::nullopt},
        {"com256", std::nullopt},
        {"com01", std::nullopt},
        {"com001", std::nullopt},
        {"com", std::nullopt},
        {"com1x", std::nullopt},
        {"com+1", std::nullopt},
        {"com-1", std::nullopt},
        {"com 1", std::nullopt},
        {" com1", std::nullopt},
        {"con1", std::nullopt},
        {"com99999999999", std::nullopt},
        {"", std::nullopt},
        {"/dev/com1", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseComNumber(c.name), c.number) << c.name;
    }
}

TEST(PortNames, FixedMappingWithoutPortFolder) {
    ScopedEnv noFolder(kPortDirVariable, std::nullopt);
    struct Case {
        const char* name;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"com1", "/dev/ttyS0"},
        {"COM32", "/dev/ttyS31"},
        {"Com33", "/dev/ttyUSB0"},
        {"com64", "/dev/ttyUSB31"},
        {"com65", "/dev/ttyACM0"},
        {"com96", "/dev/ttyACM31"},
        {"com97", std::nullopt},
        {"com255", std::nullopt},
        {"com0", std::nullopt},
        {"com256", std::nullopt},
        {"com01", std::nullopt},
        {"com", std::nullopt},
        {"com1x", std::nullopt},
        {"ttyUSB0", std::nullopt},
        // A name with a slash is a device path, taken as it is.
        {"/dev/ttyUSB7", "/dev/ttyUSB7"},
        {"./com3", "./com3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolvePortName(c.name), c.path) << c.name;
    }
}

TEST(PortNames, EmptyPortFolderVariableCountsAsUnset) {
    ScopedEnv emptyFolder(kPortDirVariable, std::string());
    EXPECT_EQ(ResolvePortName("com33"), "/dev/ttyUSB0");
}

class PortFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        std::filesystem::create_symlink("/dev/null", folder_ / "com3");
        std::filesystem::create_symlink("/nowhere/gone", folder_ / "com200");
        std::filesystem::create_symlink("/dev/null", folder_ / "com01");
        std::filesystem::create_symlink("/dev/null", folder_ / "COM5");
    }

    TempDir folder_;
    ScopedEnv env_{kPortDirVariable, folder_.path().string()};
};

TEST_F(PortFolderTest, OnlyTheFolderEntriesExist) {
    struct Case {
        const char* name;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"com3", folder_ / "com3"},
        {"COM3", folder_ / "com3"},      // the entry is lower case whatever was typed
        {"com200", folder_ / "com200"},  // a dangling link is still the port
        {"com1", std::nullopt},          // no fixed mapping behind the folder
        {"com33", std::nullopt},
        {"com01", std::nullopt},  // an entry with a name no port has is never reached
        {"com5", std::nullopt},   // entries are looked up in lower case only
        {"/dev/ttyS0", "/dev/ttyS0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolvePortName(c.name), c.path) << c.name;
    }
}

TEST_F(PortFolderTest, OpenNamedPortShowsNameAndPath) {
    SerialError error;
    SerialDevice missing = OpenNamedPort("com9", error);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(error.operation, "resolve");
    EXPECT_EQ(error.Describe(), "com9: no such port");

    SerialDevice gone = OpenNamedPort("com200", error);
    EXPECT_FALSE(gone.IsOpen());
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_EQ(error.Describe(), "com200 (" + (folder_ / "com200") + "): no such device");

    // /dev/null opens, but it is no tty.
    SerialDevice notTty = OpenNamedPort("COM3", error);
    EXPECT_FALSE(notTty.IsOpen());
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_EQ(error.Describe(), "COM3 (" + (folder_ / "com3") + "): not a serial device");

    EXPECT_FALSE(ProbePort("com3"));
    EXPECT_FALSE(ProbePort("com200"));
    EXPECT_FALSE(ProbePort("com9"));
}

TEST(SerialDeviceOpen, RegularFileIsNoSerialDevice) {
    TempDir folder;
    const std::string file = folder / "plain";
    std::ofstream(file) << "x";
    SerialError error;
    SerialDevice device = SerialDevice::Open(file, error);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_EQ(error.Describe(), file + ": not a serial device");
    EXPECT_FALSE(ProbePort(file));
}

TEST(SerialDeviceOpen, UnreadableDeviceIsPermissionDenied) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root opens whatever the mode bits say";
    }
    TempDir folder;
    const std::string file = folder / "locked";
    std::ofstream(file) << "x";
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    SerialError error;
    SerialDevice device = SerialDevice::Open(file, error);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(error.code, EACCES);
    EXPECT_EQ(error.Describe(), file + ": permission denied: is the user in the dialout group?");
}

}  // namespace
}  // namespace kelm9d
