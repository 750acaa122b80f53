#include "platform/dialog/blocking_host.h"

#include <thread>

namespace kelm9d {

int BlockingHost::RunModal(Dialog& dialog) {
    dialog.OnInitDialog();
    if (!dialog.IsEnded() && script_) {
        script_(dialog);
    }
    return dialog.IsEnded() ? dialog.Result() : kDialogNotEnded;
}

int BlockingHost::ShowMessageBox(const MessageBoxRequest& request) {
    messageBoxes_.push_back(request);
    return kIdOk;
}

void BlockingHost::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

bool BlockingHost::WaitUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
    return signal_.WaitUntil(condition, timeout);
}

}  // namespace kelm9d
