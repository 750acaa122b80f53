// The native window under a real window system (Wine with a display): the
// main window as template 102 builds it, the standard ends, a message box,
// and waits that keep the window alive but take no clicks.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/detector_port.h"
#include "ui/control_ids.h"
#include "ui/orvane_dlg.h"
#include "win32/utf16.h"
#include "win32/win32_dialog_host.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;

std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = {};
    const int length = ::GetWindowTextW(window, buffer, 512);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0U);
}

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[128] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(buffer));
        entries.emplace_back(buffer);
    }
    return entries;
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(TextOf(child));
    return TRUE;
}

TEST(Win32Window, MainWindowIsTemplate102AndEscapeEndsIt) {
    std::unique_ptr<CDetectorPort> port;
    COrvaneDlg dialog(port);
    Win32DialogHost host;
    host.SetIconResource(idc::kWindowIcon);
    bool shown = false;
    host.SetOnShown([&](HWND window) {
        shown = true;
        EXPECT_EQ(TextOf(window), L"Kelm9dMaster");
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, idc::kStart)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, idc::kStop)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, idc::kRead)));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, idc::kExit)));
        EXPECT_EQ(TextOf(::GetDlgItem(window, idc::kWriteRom)), L"Write(ROM)");

        // Hidden controls exist and hold their values, unseen.
        const HWND format = ::GetDlgItem(window, idc::kPanelFormat);
        ASSERT_NE(format, nullptr);
        EXPECT_FALSE(::IsWindowVisible(format));
        EXPECT_EQ(ComboEntries(format), (std::vector<std::wstring>{L"1717", L"1417"}));
        EXPECT_EQ(::SendMessageW(format, CB_GETCURSEL, 0, 0), 0);
        const HWND trigger = ::GetDlgItem(window, idc::kTrigger);
        EXPECT_EQ(ComboEntries(trigger),
                  (std::vector<std::wstring>{L"Outer", L"Inner", L"Software", L"PREP"}));
        EXPECT_EQ(::SendMessageW(trigger, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_FALSE(::IsWindowEnabled(trigger));

        // UTF-8 texts of the template arrive as the letters they are.
        std::vector<std::wstring> texts;
        ::EnumChildWindows(window, &CollectChildText, reinterpret_cast<LPARAM>(&texts));
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"\u03bcs"), texts.end());
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"Detector Configuration"), texts.end());

        EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);  // what Escape sends
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    EXPECT_TRUE(shown);
    EXPECT_EQ(host.window(), nullptr);
}

TEST(Win32Window, ExitButtonAndCloseBoxEndTheWindow) {
    for (const bool useCloseBox : {false, true}) {
        std::unique_ptr<CDetectorPort> port;
        COrvaneDlg dialog(port);
        Win32DialogHost host;
        host.SetOnShown([&](HWND window) {
            if (useCloseBox) {
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            } else {
                ::SendMessageW(::GetDlgItem(window, idc::kExit), BM_CLICK, 0, 0);
            }
        });
        EXPECT_EQ(dialog.DoModal(host), kIdCancel) << (useCloseBox ? "close box" : "Exit");
    }
}

// Answers the first message box that comes up on this thread, remembering
// what it said.
struct BoxWatch {
    std::wstring caption;
    std::wstring text;
    HWND mainWindow = nullptr;
};
BoxWatch* g_watch = nullptr;

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (window != g_watch->mainWindow && std::wstring(className) == L"#32770" &&
        ::IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK AnswerMessageBox(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindMessageBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
        return;  // not up yet: the timer comes again
    }
    ::KillTimer(nullptr, timer);
    g_watch->caption = TextOf(box);
    g_watch->text = TextOf(::GetDlgItem(box, 0xFFFF));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(Win32Window, FailedStartSaysSoInAMessageBox) {
    std::unique_ptr<CDetectorPort> port;
    COrvaneDlg dialog(port);
    Win32DialogHost host;
    BoxWatch watch;
    g_watch = &watch;
    host.SetOnShown([&](HWND window) {
        watch.mainWindow = window;
        dialog.TypeText(idc::kComPort, "com200");
        EXPECT_EQ(TextOf(::GetDlgItem(window, idc::kComPort)), L"com200");
        ::SetTimer(nullptr, 0, 50, &AnswerMessageBox);
        ::SendMessageW(::GetDlgItem(window, idc::kStart), BM_CLICK, 0, 0);
        // Still not connected, and the window took the click's outcome.
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, idc::kStart)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, idc::kStop)));
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    g_watch = nullptr;
    EXPECT_EQ(watch.caption, L"Kelm9dMaster");
    // The fixed text first, then why.
    EXPECT_EQ(watch.text.rfind(L"Detector Connection failed!", 0), 0U) << Utf16ToUtf8(watch.text);
    EXPECT_NE(watch.text.find(L"no such device"), std::wstring::npos);
    EXPECT_EQ(port, nullptr);
}

// A window of two buttons: one whose handler waits, one that counts clicks.
class WaitingDialog : public Dialog {
  public:
    static constexpr int kWait = 10;
    static constexpr int kCount = 11;

    explicit WaitingDialog(std::function<void(WaitingDialog&)> onWait)
        : Dialog(Template()), onWait_(std::move(onWait)) {
        MapClicked(kWait, [this] { onWait_(*this); });
        MapClicked(kCount, [this] { ++counted; });
    }
    int counted = 0;

  private:
    static DialogTemplate Template() {
        DialogTemplate t;
        t.title = "Waiting";
        t.width = 140;
        t.height = 40;
        t.fontName = "MS Shell Dlg";
        t.controls = {PushButton(kWait, "Wait", {10, 10, 50, 14}),
                      PushButton(kCount, "Count", {70, 10, 50, 14})};
        return t;
    }
    std::function<void(WaitingDialog&)> onWait_;
};

TEST(Win32Window, ClicksWhileAHandlerWaitsAreDropped) {
    Win32DialogHost host;
    bool held = false;
    WaitingDialog dialog([&](WaitingDialog& self) {
        const HWND count = ::GetDlgItem(host.window(), WaitingDialog::kCount);
        ::PostMessageW(count, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageW(count, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        // Holds once the queue has been worked through, clicks included.
        held = self.WaitUntil([] { return HIWORD(::GetQueueStatus(QS_POSTMESSAGE)) == 0; }, 20s);
    });
    host.SetOnShown([&](HWND window) {
        ::SendMessageW(::GetDlgItem(window, WaitingDialog::kWait), BM_CLICK, 0, 0);
        EXPECT_TRUE(held);
        EXPECT_EQ(dialog.counted, 0);
        // Once the handler is over, clicks count again.
        ::SendMessageW(::GetDlgItem(window, WaitingDialog::kCount), BM_CLICK, 0, 0);
        EXPECT_EQ(dialog.counted, 1);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
}

TEST(Win32Window, WakeFromAnotherThreadEndsAWait) {
    Win32DialogHost host;
    bool held = false;
    WaitingDialog dialog([&](WaitingDialog& self) {
        std::atomic<bool> answered{false};
        std::promise<void> waiting;
        std::future<void> firstLook = waiting.get_future();
        bool looked = false;
        std::thread reader([&] {
            firstLook.wait();
            answered = true;
            self.Wake();
        });
        held = self.WaitUntil(
            [&] {
                if (!looked) {
                    looked = true;
                    waiting.set_value();
                }
                return answered.load();
            },
            60s);
        reader.join();
    });
    host.SetOnShown([&](HWND window) {
        ::SendMessageW(::GetDlgItem(window, WaitingDialog::kWait), BM_CLICK, 0, 0);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    EXPECT_TRUE(held);
}

TEST(Win32Window, CloseWhileAHandlerWaitsComesAfterIt) {
    Win32DialogHost host;
    bool endedDuringWait = true;
    WaitingDialog dialog([&](WaitingDialog& self) {
        ::PostMessageW(host.window(), WM_CLOSE, 0, 0);
        self.WaitUntil([] { return HIWORD(::GetQueueStatus(QS_POSTMESSAGE)) == 0; }, 20s);
        endedDuringWait = self.IsEnded();
    });
    host.SetOnShown([&](HWND window) {
        ::SendMessageW(::GetDlgItem(window, WaitingDialog::kWait), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(host), kIdCancel);
    EXPECT_FALSE(endedDuringWait);
}

}  // namespace
}  // namespace kelm9d
