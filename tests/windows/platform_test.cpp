// The Windows platform sources without a serial peer: port names and the
// probe, error texts, the stop event, the module folder and the parameter
// file's path.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "files/parameter_file.h"
#include "platform/module_path/module_path.h"
#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event.h"
#include "platform/serial/win32_handle.h"
#include "tests/windows/temp_folder.h"
#include "ui/control_ids.h"
#include "ui/main_dialog_template.h"
#include "win32/dialog_template_win32.h"

namespace kelm9d {
namespace {

TEST(Win32PortNames, DevicePathsAndComNumbers) {
    struct Case {
        const char* name;
        std::optional<std::string> device;
    };
    const Case cases[] = {
        {"com1", "\\\\.\\com1"},
        {"COM9", "\\\\.\\com9"},
        // Beyond com9 the bare name reaches nothing on Windows; the device
        // namespace reaches every number.
        {"com12", "\\\\.\\com12"},
        {"com255", "\\\\.\\com255"},
        {"\\\\.\\COM3", "\\\\.\\COM3"},
        {"C:/devices/port", "C:/devices/port"},
        {"com256", std::nullopt},
        {"com0", std::nullopt},
        {"lpt1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolvePortName(c.name), c.device) << c.name;
    }
    EXPECT_TRUE(IsDevicePath("\\\\.\\com1"));
    EXPECT_TRUE(IsDevicePath("a/b"));
    EXPECT_FALSE(IsDevicePath("com1"));
    EXPECT_EQ(FixedPortDevice(0), std::nullopt);
    EXPECT_EQ(FixedPortDevice(256), std::nullopt);
}

TEST(Win32PortNames, MissingPortIsNotListedAndSaysNoSuchDevice) {
    EXPECT_FALSE(ProbePort("com200"));
    EXPECT_FALSE(ProbePort("nonsense"));
    SerialError error;
    const SerialDevice device = OpenNamedPort("com200", error);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_EQ(error.Describe(), "com200 (\\\\.\\com200): no such device");

    const SerialDevice unknown = OpenNamedPort("printer", error);
    EXPECT_FALSE(unknown.IsOpen());
    EXPECT_EQ(error.Describe(), "printer: no such port");
}

TEST(Win32SerialDevice, RegularFileIsNoSerialDevice) {
    const TempFolder folder;
    const std::string file = folder.Path("not-a-port.txt");
    std::ofstream(file) << "text";
    SerialError error;
    const SerialDevice device = SerialDevice::Open(file, error);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(error.Describe(), file + ": not a serial device");
}

TEST(Win32SerialDevice, ClosedDeviceRefusesEverythingAtOnce) {
    SerialDevice device;
    SerialError error;
    std::uint32_t written = 7;
    const std::uint8_t byte = 0x55;
    EXPECT_FALSE(device.Write(&byte, 1, std::chrono::milliseconds(5000), written, error));
    EXPECT_EQ(written, 0U);
    EXPECT_EQ(error.Describe(), "port not open");
    EXPECT_FALSE(device.ApplyLineSettings(LineSettings{}, error));
    EXPECT_FALSE(device.Purge());
    const StopEvent stop;
    std::uint8_t buffer[4];
    EXPECT_EQ(device.ReadExact(buffer, 4, stop).outcome, ReadOutcome::kFailed);
}

TEST(Win32Errors, WindowsCodesReadAsTheSameTexts) {
    struct Case {
        DWORD code;
        bool opening;
        const char* operation;
        const char* expected;
    };
    const Case cases[] = {
        // The serial driver refuses a port that another program holds this way.
        {ERROR_ACCESS_DENIED, true, "open", "com3: in use by another program"},
        {ERROR_SHARING_VIOLATION, true, "open", "com3: in use by another program"},
        {ERROR_FILE_NOT_FOUND, true, "open", "com3: no such device"},
        {ERROR_PATH_NOT_FOUND, true, "open", "com3: no such device"},
        {ERROR_INVALID_FUNCTION, true, "open", "com3: not a serial device"},
        {ERROR_SEM_TIMEOUT, false, "write", "com3: write timed out"},
        {ERROR_OPERATION_ABORTED, false, "read", "com3: read failed: the device hung up"},
        {ERROR_BAD_COMMAND, false, "read", "com3: read failed: the device hung up"},
        {ERROR_INVALID_HANDLE, false, "write", "com3: port not open"},
    };
    for (const Case& c : cases) {
        SerialError error;
        error.code = ErrnoFromWin32(c.code, c.opening);
        error.operation = c.operation;
        error.port = "com3";
        EXPECT_EQ(error.Describe(), c.expected) << c.code;
    }
    EXPECT_EQ(ErrnoFromWin32(ERROR_SUCCESS), 0);
}

TEST(Win32StopEvent, SignalStaysUntilReset) {
    StopEvent event;
    ASSERT_TRUE(event.Valid());
    EXPECT_FALSE(event.IsSignalled());
    event.Signal();
    EXPECT_TRUE(event.IsSignalled());
    EXPECT_TRUE(event.IsSignalled());
    event.Wait();  // signalled: returns at once
    event.Reset();
    EXPECT_FALSE(event.IsSignalled());

    StopEvent moved = std::move(event);
    EXPECT_TRUE(moved.Valid());
    EXPECT_FALSE(event.Valid());  // NOLINT(bugprone-use-after-move): a moved-from event is empty
    event.Wait();                 // invalid: never hangs
}

TEST(Win32StopEvent, WaitWakesOnASignalFromAnotherThread) {
    StopEvent event;
    std::promise<void> waiting;
    std::future<void> started = waiting.get_future();
    std::future<void> woken = std::async(std::launch::async, [&] {
        waiting.set_value();
        event.Wait();
    });
    started.wait();
    event.Signal();
    EXPECT_EQ(woken.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

TEST(Win32ModulePath, FolderOfThisProgramEndsInABackslash) {
    const std::string folder = ModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(std::filesystem::exists(folder + "windows_platform_tests.exe")) << folder;
    EXPECT_EQ(kPathSeparator, '\\');
}

TEST(Win32ModulePath, FolderOfPath) {
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Tools\\kelm9dmaster.exe", "C:\\Tools\\"},
        {"C:\\kelm9dmaster.exe", "C:\\"},
        {"C:/Tools/kelm9dmaster.exe", "C:/Tools/"},
        {"\\\\server\\share\\app.exe", "\\\\server\\share\\"},
        {"C:app.exe", "C:"},
        {"app.exe", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
    }
}

TEST(Win32ParameterFile, PathUsesBackslashes) {
    EXPECT_EQ(ParameterFilePath("C:\\Tools\\", "1717"), "C:\\Tools\\res\\orvane_1717.ini");
    EXPECT_EQ(ParameterFilePath("C:\\Tools\\", "1417"), "C:\\Tools\\res\\orvane_1417.ini");
}

TEST(Win32DialogTemplate, Template102AsTheDialogManagerReadsIt) {
    const DialogTemplate& t = MainDialogTemplate();
    const std::vector<std::uint32_t> words = BuildWin32DialogTemplate(t);
    ASSERT_GE(words.size(), 6U);
    const auto* w = reinterpret_cast<const std::uint16_t*>(words.data());
    const std::uint32_t style = words[0];
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              static_cast<std::uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                         DS_SETFONT));
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0U);
    EXPECT_EQ(words[1], static_cast<std::uint32_t>(WS_EX_APPWINDOW));
    EXPECT_EQ(w[4], t.controls.size());
    EXPECT_EQ(w[7], 429);
    EXPECT_EQ(w[8], 279);
    EXPECT_EQ(w[9], 0);   // no menu
    EXPECT_EQ(w[10], 0);  // the standard class
    const std::wstring title(reinterpret_cast<const wchar_t*>(w + 11));
    EXPECT_EQ(title, L"Kelm9dMaster");
    const std::uint16_t* font = w + 11 + title.size() + 1;
    EXPECT_EQ(font[0], 9);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(font + 1)), L"MS Shell Dlg");
}

TEST(Win32DialogTemplate, ControlStyles) {
    const DialogTemplate& t = MainDialogTemplate();
    struct Case {
        int id;
        std::uint32_t set;
        std::uint32_t clear;
    };
    const Case cases[] = {
        {idc::kStart, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, WS_DISABLED},
        {idc::kStop, WS_VISIBLE | BS_PUSHBUTTON, WS_DISABLED},  // the set-up disables it
        {idc::kComPort, WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN, WS_DISABLED | CBS_SORT},
        {idc::kTrigger, WS_VISIBLE | WS_DISABLED | WS_VSCROLL | CBS_DROPDOWN, CBS_SORT},
        {idc::kTimeSpan, WS_VISIBLE | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, WS_DISABLED},
        {idc::kStatusLine, WS_VISIBLE | SS_CENTER, 0},
        {idc::kPanelFormat, CBS_DROPDOWN, WS_VISIBLE},
        {idc::kLowValid, WS_GROUP | WS_DISABLED | BS_AUTORADIOBUTTON, WS_VISIBLE},
        {idc::kSensorI, WS_DISABLED | BS_AUTOCHECKBOX, WS_VISIBLE},
    };
    for (const Case& c : cases) {
        const ControlTemplate* control = t.Find(c.id);
        ASSERT_NE(control, nullptr) << c.id;
        const std::uint32_t style = Win32ControlStyle(*control);
        EXPECT_EQ(style & c.set, c.set) << c.id;
        EXPECT_EQ(style & c.clear, 0U) << c.id;
    }
    EXPECT_EQ(Win32ControlClassAtom(ControlKind::kPushButton), 0x0080);
    EXPECT_EQ(Win32ControlClassAtom(ControlKind::kGroupBox), 0x0080);
    EXPECT_EQ(Win32ControlClassAtom(ControlKind::kEdit), 0x0081);
    EXPECT_EQ(Win32ControlClassAtom(ControlKind::kStaticText), 0x0082);
    EXPECT_EQ(Win32ControlClassAtom(ControlKind::kComboDropDown), 0x0085);
}

}  // namespace
}  // namespace kelm9d
