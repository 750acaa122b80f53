// The main window without a detector: its set-up, Start on ports that cannot
// be opened, the port name limit, and every way the window ends. The ports
// are pseudo-terminals with nothing answering on them.
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/orvane_app.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"
#include "ui/main_dialog_template.h"
#include "ui/orvane_dlg.h"

namespace kelm9d {
namespace {

using testing::ExpectEnablingOfState;
using testing::ExpectSameControls;
using testing::MessageTexts;
using testing::PortHold;
using testing::PortIsFree;
using testing::Pty;
using testing::RecordingHost;
using testing::ScopedEnv;
using testing::TempFolder;

constexpr const char* kConnectionFailed = "Detector Connection failed!";

bool Link(const std::string& target, const std::string& link) {
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

// The window on a recording host, set up with the given port folder.
class Window {
  public:
    explicit Window(const std::string& portFolder) : env_("KELM9D_PORT_DIR", portFolder) {
        dlg.AttachHost(&host);
        initResult = dlg.OnInitDialog();
    }
    ~Window() { dlg.AttachHost(nullptr); }

    ScopedEnv env_;
    RecordingHost host;
    std::unique_ptr<CDetectorPort> port;
    COrvaneDlg dlg{port};
    bool initResult = false;
};

TEST(MainWindowSetUp, ListsExactlyTheFreeComPortsOfThePortFolderInNumberOrder) {
    TempFolder ports;
    Pty one, three, twelve, last, held;
    ASSERT_TRUE(one.Ok() && three.Ok() && twelve.Ok() && last.Ok() && held.Ok());
    const PortHold otherProgram(held.SlavePath());
    ASSERT_TRUE(otherProgram.Locked());

    // Made out of order: the list must follow the port numbers, not the
    // folder or the names' spelling (com12 after com3).
    ASSERT_TRUE(Link(twelve.SlavePath(), ports / "com12"));
    ASSERT_TRUE(Link(three.SlavePath(), ports / "com3"));
    ASSERT_TRUE(Link(last.SlavePath(), ports / "com255"));
    ASSERT_TRUE(Link(one.SlavePath(), ports / "com1"));
    ASSERT_TRUE(Link(held.SlavePath(), ports / "com2"));      // held by another program
    ASSERT_TRUE(Link(ports / "gone", ports / "com4"));        // the adapter went away
    ASSERT_TRUE(Link("/dev/null", ports / "com5"));           // not a serial line
    ASSERT_TRUE(Link(one.SlavePath(), ports / "com256"));     // beyond the probe
    ASSERT_TRUE(Link(one.SlavePath(), ports / "com0"));       // no port number
    ASSERT_TRUE(Link(three.SlavePath(), ports / "ttyUSB0"));  // not a com name

    Window window(ports.Path());
    ASSERT_TRUE(window.initResult);
    const ControlState& list = *window.dlg.Controls().Find(idc::kComPort);
    EXPECT_EQ(list.items, (std::vector<std::string>{"com1", "com3", "com12", "com255"}));
    EXPECT_EQ(list.selection, 0);
    EXPECT_EQ(window.dlg.GetText(idc::kComPort), "com1");

    // Probing only looks: the ports are as free as before.
    EXPECT_TRUE(PortIsFree(one.SlavePath()));
    EXPECT_TRUE(PortIsFree(twelve.SlavePath()));
    EXPECT_EQ(window.port, nullptr);
}

TEST(MainWindowSetUp, OpensNotConnectedWithItsListsFilledAndEverythingElseEmpty) {
    TempFolder ports;  // no ports at all
    Window window(ports.Path());
    COrvaneDlg& dlg = window.dlg;
    ASSERT_TRUE(window.initResult);

    const ControlState& comList = *dlg.Controls().Find(idc::kComPort);
    EXPECT_TRUE(comList.items.empty());
    EXPECT_EQ(comList.selection, -1);
    EXPECT_EQ(comList.text, "");

    const ControlState& trigger = *dlg.Controls().Find(idc::kTrigger);
    EXPECT_EQ(trigger.items, (std::vector<std::string>{"Outer", "Inner", "Software", "PREP"}));
    EXPECT_EQ(trigger.selection, -1);
    EXPECT_EQ(trigger.text, "");

    const ControlState& format = *dlg.Controls().Find(idc::kPanelFormat);
    EXPECT_EQ(format.items, (std::vector<std::string>{"1717", "1417"}));
    EXPECT_EQ(format.selection, 0);
    EXPECT_EQ(format.text, "1717");

    ExpectEnablingOfState(dlg, false);
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
        if (control.kind == ControlKind::kEdit) {
            EXPECT_EQ(dlg.GetText(control.id), "") << "edit " << control.id;
        }
        if (control.kind == ControlKind::kCheckBox || control.kind == ControlKind::kRadioButton) {
            EXPECT_EQ(dlg.GetCheck(control.id), 0) << "check box " << control.id;
        }
    }
    EXPECT_EQ(dlg.GetText(idc::kStatusLine), "");
    EXPECT_EQ(dlg.productTypeText, "");
    EXPECT_EQ(dlg.serialText, "");
    EXPECT_EQ(dlg.dateYear, 0);
    EXPECT_EQ(dlg.dateMonth, 0);
    EXPECT_EQ(dlg.dateDay, 0);
    EXPECT_TRUE(window.host.MessageBoxes().empty());
}

// A Start that cannot open its port says why in one message box and leaves
// the window exactly as it was, so the next Start begins from scratch.
TEST(MainWindowStart, AFailedStartNamesTheReasonAndChangesNothing) {
    TempFolder ports;
    Pty held, spare;
    ASSERT_TRUE(held.Ok() && spare.Ok());
    const PortHold otherProgram(held.SlavePath());
    ASSERT_TRUE(otherProgram.Locked());
    ASSERT_TRUE(Link(held.SlavePath(), ports / "com2"));

    Window window(ports.Path());
    COrvaneDlg& dlg = window.dlg;
    const std::string failed = std::string(kConnectionFailed) + "\n";
    const struct {
        std::string name;
        std::string message;
    } cases[] = {
        {"/dev/kelm9d-no-such-device", failed + "/dev/kelm9d-no-such-device: no such device"},
        {held.SlavePath(), failed + held.SlavePath() + ": in use by another program"},
        {"com2", failed + "com2 (" + (ports / "com2") + "): in use by another program"},
        {"com9", failed + "com9: no such port"},
        {"", failed + "no such port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("port name \"" + c.name + "\"");
        dlg.SetText(idc::kComPort, c.name);
        window.host.ClearRecord();
        const auto before = testing::ControlSnapshot::Of(dlg);

        ASSERT_TRUE(dlg.Click(idc::kStart));
        ASSERT_EQ(window.host.MessageBoxes().size(), 1U);
        const MessageBoxRequest& box = window.host.MessageBoxes().front();
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.caption, "Kelm9dMaster");
        EXPECT_EQ(box.icon, MessageBoxIcon::kWarning);
        EXPECT_EQ(box.buttons, MessageBoxButtons::kOk);
        EXPECT_EQ(window.port, nullptr);
        ExpectSameControls(before, testing::ControlSnapshot::Of(dlg));
        EXPECT_TRUE(window.host.waits.empty());  // nothing was sent, nothing awaited
    }
    EXPECT_TRUE(otherProgram.Locked());

    // A fresh port object for the next Start, and this one works.
    dlg.SetText(idc::kComPort, spare.SlavePath());
    window.host.ClearRecord();
    ASSERT_TRUE(dlg.Click(idc::kStart));
    EXPECT_TRUE(window.host.MessageBoxes().empty());
    ASSERT_NE(window.port, nullptr);
    EXPECT_TRUE(window.port->IsOpen());
    EXPECT_FALSE(PortIsFree(spare.SlavePath()));
    ExpectEnablingOfState(dlg, true);
}

// 63 characters fit the name; a 64th is refused, not cut off: cutting it
// would open the port whose name happens to be the first 63 characters.
TEST(MainWindowStart, APortNameLongerThan63CharactersIsRefusedNotCut) {
    TempFolder ports;
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    const std::string prefix = ports.Path() + "/";
    ASSERT_LT(prefix.size(), 63U);
    const std::string name63 = prefix + std::string(63 - prefix.size(), 'p');
    ASSERT_EQ(name63.size(), 63U);
    ASSERT_TRUE(Link(pty.SlavePath(), name63));
    ASSERT_TRUE(Link(pty.SlavePath(), name63 + "q"));  // even an existing port is refused

    Window window(ports.Path());
    COrvaneDlg& dlg = window.dlg;
    dlg.SetText(idc::kComPort, name63 + "q");
    ASSERT_TRUE(dlg.Click(idc::kStart));
    const std::vector<std::string> messages = MessageTexts(window.host);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].rfind(std::string(kConnectionFailed) + "\n", 0), 0U) << messages[0];
    EXPECT_NE(messages[0].find("longer than 63 characters"), std::string::npos) << messages[0];
    EXPECT_EQ(window.port, nullptr);
    EXPECT_TRUE(PortIsFree(pty.SlavePath()));
    ExpectEnablingOfState(dlg, false);

    window.host.ClearRecord();
    dlg.SetText(idc::kComPort, name63);
    ASSERT_TRUE(dlg.Click(idc::kStart));
    EXPECT_TRUE(window.host.MessageBoxes().empty());
    ASSERT_NE(window.port, nullptr);
    EXPECT_FALSE(PortIsFree(pty.SlavePath()));
    ExpectEnablingOfState(dlg, true);
}

// However the window ends, the port is let go at that moment, before the
// application is done with the window: no reader thread outlives it.
TEST(MainWindowEnd, EveryEndOfTheWindowReleasesThePortFirst) {
    const struct {
        const char* how;
        void (*end)(Dialog&);
        int result;
    } ends[] = {
        {"Exit", [](Dialog& d) { d.Click(idc::kExit); }, kIdCancel},
        {"Escape or the close box", [](Dialog& d) { d.Dispatch(kBnClicked, kIdCancel); },
         kIdCancel},
        {"Enter", [](Dialog& d) { d.Dispatch(kBnClicked, kIdOk); }, kIdOk},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.how);
        TempFolder ports;
        const ScopedEnv env("KELM9D_PORT_DIR", ports.Path());
        Pty pty;
        ASSERT_TRUE(pty.Ok());

        COrvaneApp app;
        bool connected = false;
        bool ended = false;
        bool releasedAtEnd = false;
        int result = 0;
        RecordingHost host([&](Dialog& d) {
            d.SetText(idc::kComPort, pty.SlavePath());
            d.Click(idc::kStart);
            connected = app.m_pDetectorPort != nullptr && !PortIsFree(pty.SlavePath());
            e.end(d);
            ended = d.IsEnded();
            result = d.Result();
            releasedAtEnd = app.m_pDetectorPort == nullptr && PortIsFree(pty.SlavePath());
        });
        EXPECT_FALSE(app.InitApplication(host));
        EXPECT_TRUE(connected);
        EXPECT_TRUE(ended);
        EXPECT_EQ(result, e.result);
        EXPECT_TRUE(releasedAtEnd);
        EXPECT_EQ(app.m_pDetectorPort, nullptr);
        EXPECT_TRUE(host.MessageBoxes().empty());
    }
}

}  // namespace
}  // namespace kelm9d
