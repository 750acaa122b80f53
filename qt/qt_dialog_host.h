// Runs a dialog as a real Qt 6 Widgets window. While a handler waits
// (pacing, or an awaited answer) the window stays painted with its status
// text, the cursor shows busy, and the operator's input is held off, so that
// a second click never runs inside a handler. Waiting blocks in the event
// loop: no CPU beyond painting.
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

#include "platform/dialog/dialog.h"

class QEventLoop;

namespace kelm9d {

class TemplateWindow;

class QtDialogHost : public DialogHost {
  public:
    // A QApplication must exist for the host's whole life.
    QtDialogHost();
    ~QtDialogHost() override;

    int RunModal(Dialog& dialog) override;
    int ShowMessageBox(const MessageBoxRequest& request) override;
    void Sleep(std::chrono::milliseconds duration) override;
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout) override;
    void Wake() override;

    // Called once the window is shown, on the window's thread; tests and
    // screenshots drive the window from here. The window ends when the
    // dialog does.
    void SetOnShown(std::function<void(TemplateWindow&)> onShown) { onShown_ = std::move(onShown); }

    bool busy() const { return busy_; }
    TemplateWindow* window() const { return window_; }

  private:
    class InputFilter;
    struct Wait;

    void RunHandler(const std::function<void()>& action, bool defer);
    bool NestedWait(const std::function<bool()>* condition, std::chrono::milliseconds timeout);
    void CheckWait();

    std::unique_ptr<QObject> wakeTarget_;  // lives on the window's thread; receives Wake
    std::unique_ptr<InputFilter> inputFilter_;
    TemplateWindow* window_ = nullptr;
    QEventLoop* modalLoop_ = nullptr;
    Wait* wait_ = nullptr;
    Dialog* dialog_ = nullptr;
    bool busy_ = false;
    std::function<void()> deferred_;
    std::function<void(TemplateWindow&)> onShown_;
};

}  // namespace kelm9d
