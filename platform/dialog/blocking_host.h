// A host with no window: it runs the dialog's set-up, then hands the dialog
// to a script that acts as the operator (clicks, typing), records message
// boxes and answers them with OK, sleeps for real and waits on a condition
// variable. Used by tests and by the batch host.
#pragma once

#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/dialog/wake_signal.h"

namespace kelm9d {

class BlockingHost : public DialogHost {
  public:
    // Plays the operator: called once after OnInitDialog (unless that ended
    // the dialog already), on the window's thread. End the run as the
    // window would, e.g. by clicking its Exit button or dispatching
    // kIdCancel; a script that returns without the dialog ended makes
    // RunModal return kDialogNotEnded.
    using Script = std::function<void(Dialog&)>;

    BlockingHost() = default;
    explicit BlockingHost(Script script) : script_(std::move(script)) {}

    void SetScript(Script script) { script_ = std::move(script); }

    int RunModal(Dialog& dialog) override;
    // Records the request and answers as if OK had been pressed.
    int ShowMessageBox(const MessageBoxRequest& request) override;
    void Sleep(std::chrono::milliseconds duration) override;
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout) override;
    void Wake() override { signal_.Wake(); }

    // Every message box shown so far, oldest first. Window thread only.
    const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
    void ClearMessageBoxes() { messageBoxes_.clear(); }

  private:
    Script script_;
    std::vector<MessageBoxRequest> messageBoxes_;
    WakeSignal signal_;
};

}  // namespace kelm9d
