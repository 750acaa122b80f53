// Runs a dialog as a native Windows dialog box built from its template.
// While a handler waits (pacing, or an awaited answer) the window keeps
// painting, and mouse and keyboard input to it is dropped, so that a second
// click never runs inside a handler; a close request is kept and carried out
// after it. Waiting blocks in MsgWaitForMultipleObjects: no CPU beyond
// painting.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/dialog/dialog.h"

struct HWND__;

namespace kelm9d {

class Win32DialogHost : public DialogHost {
  public:
    using WindowHandle = HWND__*;

    Win32DialogHost();
    ~Win32DialogHost() override;
    Win32DialogHost(const Win32DialogHost&) = delete;
    Win32DialogHost& operator=(const Win32DialogHost&) = delete;

    int RunModal(Dialog& dialog) override;
    int ShowMessageBox(const MessageBoxRequest& request) override;
    void Sleep(std::chrono::milliseconds duration) override;
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout) override;
    void Wake() override;

    // Called once the window is shown, on the window's thread; tests drive
    // the window from here. The window ends when the dialog does.
    void SetOnShown(std::function<void(WindowHandle)> onShown) { onShown_ = std::move(onShown); }
    // The icon resource shown as the window's icon; 0 for none.
    void SetIconResource(int id) { iconResource_ = id; }

    bool busy() const { return busy_; }
    WindowHandle window() const { return window_; }

  private:
    class Mirror;
    struct Impl;

    std::unique_ptr<Impl> impl_;
    WindowHandle window_ = nullptr;
    bool busy_ = false;
    int iconResource_ = 0;
    std::function<void(WindowHandle)> onShown_;
};

}  // namespace kelm9d
