#include "platform/dialog/dialog.h"

#include <cstddef>
#include <optional>
#include <thread>

namespace kelm9d {

Dialog::Dialog(DialogTemplate dialogTemplate)
    : template_(std::move(dialogTemplate)),
      controls_(template_),
      applicationName_(template_.title) {}

Dialog::~Dialog() = default;

int Dialog::DoModal(DialogHost& host) {
    if (running_) {
        return kDialogNotEnded;
    }
    running_ = true;
    ended_ = false;
    result_ = 0;
    AttachHost(&host);
    const int result = host.RunModal(*this);
    AttachHost(nullptr);
    running_ = false;
    return result;
}

void Dialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    // A host waiting for the operator's next action learns that there is none.
    Wake();
}

bool Dialog::MapCommand(int notification, int id, Handler handler) {
    if (!handler) {
        return false;
    }
    // Bindings are only ever added, never replaced, so a handler that is
    // running stays valid whatever it binds.
    return messageMap_.emplace(std::make_pair(notification, id), std::move(handler)).second;
}

bool Dialog::Dispatch(int notification, int id) {
    if (ended_) {
        return false;
    }
    const auto it = messageMap_.find(std::make_pair(notification, id));
    if (it != messageMap_.end()) {
        it->second();
        return true;
    }
    if (notification == kBnClicked && id == kIdOk) {
        OnOK();
        return true;
    }
    if (notification == kBnClicked && id == kIdCancel) {
        OnCancel();
        return true;
    }
    return false;
}

void Dialog::UncheckGroupMates(int id) {
    // A group runs from a control with the group-start style up to the next
    // such control, in template order.
    const auto& controls = template_.controls;
    std::size_t position = 0;
    while (position < controls.size() && controls[position].id != id) {
        ++position;
    }
    if (position == controls.size()) {
        return;
    }
    std::size_t first = position;
    while (first > 0 && !controls[first].Has(ControlStyle::kGroupStart)) {
        --first;
    }
    for (std::size_t i = first; i < controls.size(); ++i) {
        if (i > first && controls[i].Has(ControlStyle::kGroupStart)) {
            break;
        }
        if (i != position && controls[i].kind == ControlKind::kRadioButton) {
            controls_.SetCheck(controls[i].id, 0);
        }
    }
}

bool Dialog::Click(int id) {
    const std::optional<ControlKind> kind = controls_.KindOf(id);
    if (ended_ || !kind || !IsButtonKind(*kind) || !controls_.IsEnabled(id)) {
        return false;
    }
    if (*kind == ControlKind::kCheckBox) {
        controls_.SetCheck(id, controls_.GetCheck(id) == 0 ? 1 : 0);
    } else if (*kind == ControlKind::kRadioButton) {
        controls_.SetCheck(id, 1);
        UncheckGroupMates(id);
    }
    Dispatch(kBnClicked, id);
    return true;
}

bool Dialog::TypeText(int id, std::string_view text) {
    const std::optional<ControlKind> kind = controls_.KindOf(id);
    if (ended_ || !kind || !controls_.IsEnabled(id)) {
        return false;
    }
    const ControlTemplate* control = template_.Find(id);
    const bool readOnly = control != nullptr && control->Has(ControlStyle::kReadOnly);
    if (*kind == ControlKind::kEdit && !readOnly) {
        controls_.SetText(id, text);
        Dispatch(kEnChange, id);
        return true;
    }
    if (*kind == ControlKind::kComboDropDown) {
        controls_.SetText(id, text);
        Dispatch(kCbnEditChange, id);
        return true;
    }
    return false;
}

bool Dialog::ChooseItem(int id, int index) {
    const std::optional<ControlKind> kind = controls_.KindOf(id);
    if (ended_ || !kind || !IsComboKind(*kind) || !controls_.IsEnabled(id) || index < 0) {
        return false;
    }
    if (!controls_.SetSelection(id, index)) {
        return false;
    }
    Dispatch(kCbnSelChange, id);
    return true;
}

void Dialog::AttachHost(DialogHost* host) {
    std::lock_guard<std::mutex> lock(hostMutex_);
    host_ = host;
}

DialogHost* Dialog::CurrentHost() const {
    std::lock_guard<std::mutex> lock(hostMutex_);
    return host_;
}

int Dialog::MessageBox(const std::string& text) {
    DialogHost* host = CurrentHost();
    if (host == nullptr) {
        return 0;
    }
    MessageBoxRequest request;
    request.caption = applicationName_;
    request.text = text;
    return host->ShowMessageBox(request);
}

void Dialog::Sleep(std::chrono::milliseconds duration) {
    DialogHost* host = CurrentHost();
    if (host == nullptr) {
        std::this_thread::sleep_for(duration);
        return;
    }
    host->Sleep(duration);
}

bool Dialog::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    DialogHost* host = CurrentHost();
    if (host == nullptr) {
        return ownSignal_.WaitUntil(condition, timeout);
    }
    return host->WaitUntil(condition, timeout);
}

void Dialog::Wake() {
    ownSignal_.Wake();
    // Under the lock, so that the host cannot be detached (and go away)
    // while it is being woken.
    std::lock_guard<std::mutex> lock(hostMutex_);
    if (host_ != nullptr) {
        host_->Wake();
    }
}

}  // namespace kelm9d
