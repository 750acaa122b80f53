#include "platform/dialog/dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog/blocking_host.h"
#include "tests/dialog/test_template.h"

namespace kelm9d {
namespace {

using namespace kelm9d::testing;

// A window in the shape the real one has: handlers bound in the
// constructor, set-up in OnInitDialog, Cancel releasing something first.
class SampleDialog : public Dialog {
  public:
    explicit SampleDialog(bool bindOk = false) : Dialog(SmallTemplate()) {
        MapClicked(kButtonId, [this] { log.push_back("go"); });
        MapClicked(kDisabledButtonId, [this] { log.push_back("stop"); });
        MapClicked(kHiddenButtonId, [this] { log.push_back("secret"); });
        MapClicked(kCheckId,
                   [this] { log.push_back("check=" + std::to_string(GetCheck(kCheckId))); });
        MapClicked(kRadioBId, [this] { log.push_back("radio B"); });
        MapChanged(kEditId, [this] { log.push_back("edit=" + GetText(kEditId)); });
        MapCommand(kCbnEditChange, kComboId,
                   [this] { log.push_back("typed=" + GetText(kComboId)); });
        MapCommand(kCbnSelChange, kComboId,
                   [this] { log.push_back("chose=" + GetText(kComboId)); });
        if (bindOk) {
            MapClicked(kIdOk, [this] { log.push_back("ok handler"); });
        }
    }

    bool OnInitDialog() override {
        log.push_back("init");
        AddItem(kComboId, "com1");
        AddItem(kComboId, "com3");
        SetSelection(kComboId, 0);
        if (endInInit) {
            EndDialog(77);
        }
        return true;
    }

    void OnCancel() override {
        log.push_back("released");
        Dialog::OnCancel();
    }

    // Exposed so a test can try to bind twice.
    using Dialog::MapCommand;

    bool endInInit = false;
    std::vector<std::string> log;
};

TEST(Dialog, DispatchRunsTheBoundHandlerOnly) {
    SampleDialog dialog;
    EXPECT_TRUE(dialog.Dispatch(kBnClicked, kButtonId));
    EXPECT_FALSE(dialog.Dispatch(kEnChange, kButtonId));  // same id, other notification
    EXPECT_FALSE(dialog.Dispatch(kBnClicked, 999));
    EXPECT_EQ(dialog.log, std::vector<std::string>{"go"});
}

TEST(Dialog, FirstBindingStaysAndEmptyHandlersAreRefused) {
    SampleDialog dialog;
    EXPECT_FALSE(dialog.MapCommand(kBnClicked, kButtonId, [&] { dialog.log.push_back("other"); }));
    EXPECT_FALSE(dialog.MapCommand(kBnClicked, 555, nullptr));
    dialog.Dispatch(kBnClicked, kButtonId);
    EXPECT_FALSE(dialog.Dispatch(kBnClicked, 555));
    EXPECT_EQ(dialog.log, std::vector<std::string>{"go"});
}

TEST(Dialog, OkAndCancelEndTheDialogUnlessBound) {
    {
        SampleDialog dialog;
        EXPECT_TRUE(dialog.Dispatch(kBnClicked, kIdOk));
        EXPECT_TRUE(dialog.IsEnded());
        EXPECT_EQ(dialog.Result(), kIdOk);
    }
    {
        SampleDialog dialog;  // overrides OnCancel to release first
        EXPECT_TRUE(dialog.Dispatch(kBnClicked, kIdCancel));
        EXPECT_TRUE(dialog.IsEnded());
        EXPECT_EQ(dialog.Result(), kIdCancel);
        EXPECT_EQ(dialog.log, std::vector<std::string>{"released"});
    }
    {
        SampleDialog dialog(/*bindOk=*/true);
        EXPECT_TRUE(dialog.Dispatch(kBnClicked, kIdOk));
        EXPECT_FALSE(dialog.IsEnded());
        EXPECT_EQ(dialog.log, std::vector<std::string>{"ok handler"});
    }
}

TEST(Dialog, NothingRunsOnceEnded) {
    SampleDialog dialog;
    dialog.EndDialog(5);
    EXPECT_FALSE(dialog.Dispatch(kBnClicked, kButtonId));
    EXPECT_FALSE(dialog.Click(kButtonId));
    EXPECT_FALSE(dialog.Dispatch(kBnClicked, kIdCancel));
    EXPECT_EQ(dialog.Result(), 5);
    EXPECT_TRUE(dialog.log.empty());
}

TEST(Dialog, ClickActsLikeTheOperator) {
    SampleDialog dialog;
    EXPECT_TRUE(dialog.Click(kButtonId));
    EXPECT_TRUE(dialog.Click(kHiddenButtonId));  // hidden, but enabled: a batch host may click it
    EXPECT_FALSE(dialog.Click(kDisabledButtonId));
    EXPECT_FALSE(dialog.Click(kEditId));
    EXPECT_FALSE(dialog.Click(999));
    // The handler sees the check box already toggled.
    EXPECT_TRUE(dialog.Click(kCheckId));
    EXPECT_TRUE(dialog.Click(kCheckId));
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"go", "secret", "check=1", "check=0"}));

    dialog.Enable(kDisabledButtonId);
    EXPECT_TRUE(dialog.Click(kDisabledButtonId));
    EXPECT_EQ(dialog.log.back(), "stop");
}

TEST(Dialog, ClickingARadioButtonClearsItsGroupOnly) {
    SampleDialog dialog;
    dialog.SetCheck(kRadioAId, 1);
    dialog.SetCheck(kRadioCId, 1);  // another group
    EXPECT_TRUE(dialog.Click(kRadioBId));
    EXPECT_EQ(dialog.GetCheck(kRadioAId), 0);
    EXPECT_EQ(dialog.GetCheck(kRadioBId), 1);
    EXPECT_EQ(dialog.GetCheck(kRadioCId), 1);
    EXPECT_EQ(dialog.log, std::vector<std::string>{"radio B"});

    EXPECT_TRUE(dialog.Click(kRadioAId));
    EXPECT_EQ(dialog.GetCheck(kRadioAId), 1);
    EXPECT_EQ(dialog.GetCheck(kRadioBId), 0);
    EXPECT_EQ(dialog.GetCheck(kRadioCId), 1);
}

TEST(Dialog, TypingAndChoosingNotifyTheWindow) {
    SampleDialog dialog;
    dialog.OnInitDialog();
    dialog.log.clear();

    EXPECT_TRUE(dialog.TypeText(kEditId, "12"));
    EXPECT_TRUE(dialog.TypeText(kComboId, "com9"));
    EXPECT_TRUE(dialog.ChooseItem(kComboId, 1));
    EXPECT_FALSE(dialog.ChooseItem(kComboId, 2));
    EXPECT_FALSE(dialog.ChooseItem(kComboId, -1));
    EXPECT_FALSE(dialog.TypeText(kReadOnlyId, "x"));
    EXPECT_FALSE(dialog.TypeText(kButtonId, "x"));
    EXPECT_EQ(dialog.GetText(kReadOnlyId), "");
    EXPECT_EQ(dialog.GetText(kButtonId), "Go");
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"edit=12", "typed=com9", "chose=com3"}));
}

TEST(Dialog, DoModalRunsSetUpThenTheScriptAndReturnsTheResult) {
    SampleDialog dialog;
    dialog.SetApplicationName("Kelm9dMaster");
    std::vector<std::string> seenByScript;
    BlockingHost host([&](Dialog& d) {
        seenByScript = dialog.log;
        EXPECT_EQ(d.GetText(kComboId), "com1");
        EXPECT_EQ(d.MessageBox("Detector Connection failed!"), kIdOk);
        d.Click(kButtonId);
        d.Dispatch(kBnClicked, kIdCancel);
        d.Click(kButtonId);  // too late: the dialog has ended
    });

    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    EXPECT_EQ(seenByScript, std::vector<std::string>{"init"});
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "go", "released"}));
    ASSERT_EQ(host.MessageBoxes().size(), 1u);
    const MessageBoxRequest expected{"Kelm9dMaster", "Detector Connection failed!",
                                     MessageBoxIcon::kWarning, MessageBoxButtons::kOk};
    EXPECT_EQ(host.MessageBoxes()[0], expected);

    // After the run no host is attached: nothing can be shown.
    EXPECT_EQ(dialog.MessageBox("late"), 0);
    EXPECT_EQ(host.MessageBoxes().size(), 1u);
}

TEST(Dialog, MessageBoxCaptionDefaultsToTheTitle) {
    SampleDialog dialog;
    BlockingHost host([](Dialog& d) {
        d.MessageBox("hello");
        d.EndDialog(kIdOk);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdOk);
    ASSERT_EQ(host.MessageBoxes().size(), 1u);
    EXPECT_EQ(host.MessageBoxes()[0].caption, "Small");
}

TEST(Dialog, ModalRunsThatDoNotEndNormally) {
    {
        SampleDialog dialog;  // the script gives up without ending the dialog
        BlockingHost host([](Dialog& d) { d.Click(kButtonId); });
        EXPECT_EQ(dialog.DoModal(host), kDialogNotEnded);
        EXPECT_FALSE(dialog.IsEnded());
    }
    {
        SampleDialog dialog;  // the set-up ends it: the script never runs
        dialog.endInInit = true;
        bool scriptRan = false;
        BlockingHost host([&](Dialog&) { scriptRan = true; });
        EXPECT_EQ(dialog.DoModal(host), 77);
        EXPECT_FALSE(scriptRan);
    }
    {
        SampleDialog dialog;  // a second modal run of a running dialog is refused
        int inner = 0;
        BlockingHost innerHost;
        BlockingHost host([&](Dialog& d) {
            inner = d.DoModal(innerHost);
            d.EndDialog(kIdOk);
        });
        EXPECT_EQ(dialog.DoModal(host), kIdOk);
        EXPECT_EQ(inner, kDialogNotEnded);
        EXPECT_EQ(std::count(dialog.log.begin(), dialog.log.end(), "init"), 1);
    }
}

TEST(Dialog, CanRunAgainAfterEnding) {
    SampleDialog dialog;
    BlockingHost host([](Dialog& d) { d.Dispatch(kBnClicked, kIdOk); });
    EXPECT_EQ(dialog.DoModal(host), kIdOk);
    host.SetScript([](Dialog& d) {
        d.Click(kButtonId);
        d.Dispatch(kBnClicked, kIdCancel);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    EXPECT_EQ(dialog.log.back(), "released");
}

}  // namespace
}  // namespace kelm9d
