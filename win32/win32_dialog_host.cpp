#include "win32/win32_dialog_host.h"

#include <windows.h>
// The header maps these names onto its A or W calls; in our code they are
// the dialog library's own.
#undef MessageBox

#include <chrono>
#include <string>
#include <vector>

#include "platform/dialog/control_table.h"
#include "win32/dialog_template_win32.h"
#include "win32/utf16.h"

namespace kelm9d {
namespace {

// Posted once the dialog box is up, so that the shown hook runs with the
// window on the screen.
constexpr UINT kShownMessage = WM_APP + 1;

// Clicks and keys: what a handler that waits must not see. Mouse moves and
// the frame (moving the window, the close box) still pass; a close request
// is kept for afterwards.
bool IsOperatorInput(UINT message) {
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        return true;
    }
    return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && message != WM_MOUSEMOVE;
}

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0U);
    return text;
}

void SetTextIfChanged(HWND window, const std::string& utf8) {
    const std::wstring wanted = Utf8ToUtf16(utf8);
    if (WindowText(window) != wanted) {
        ::SetWindowTextW(window, wanted.c_str());
    }
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1U, L'\0');
        const LRESULT got = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                           reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0U);
        items.push_back(std::move(text));
    }
    return items;
}

// An auto-reset event: Wake sets it from any thread, a wait takes it.
class WakeEvent {
  public:
    WakeEvent() : handle_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~WakeEvent() {
        if (handle_ != nullptr) {
            ::CloseHandle(handle_);
        }
    }
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace

struct Win32DialogHost::Impl final : ControlObserver {
    explicit Impl(Win32DialogHost& owner) : host(owner) {}
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Win32DialogHost& host;
    Dialog* dialog = nullptr;
    HWND hwnd = nullptr;
    HICON bigIcon = nullptr;  // shared resource icons: never destroyed by us
    HICON smallIcon = nullptr;
    WakeEvent wake;
    bool syncing = false;  // while we change a control, its notifications are ours
    bool observing = false;
    bool quitPosted = false;
    int quitCode = 0;
    std::function<void()> deferred;

    static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void InitDialog();
    void OnCommand(int id, int code, HWND control);
    void OnControlChanged(int id, ChangeKind /*what*/) override { Apply(id); }
    void Apply(int id);
    void SyncAll();
    void StopObserving();
    void RunHandler(const std::function<void()>& action, bool defer);
    bool NestedWait(const std::function<bool()>* condition, std::chrono::milliseconds timeout);
    void PumpMessages();
};

INT_PTR CALLBACK Win32DialogHost::Impl::Proc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<Impl*>(lParam);
        self->hwnd = window;
        self->host.window_ = window;
        self->InitDialog();
        return TRUE;  // the focus goes to the first control that takes it
    }
    auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

void Win32DialogHost::Impl::InitDialog() {
    if (host.iconResource_ != 0) {
        const HINSTANCE module = ::GetModuleHandleW(nullptr);
        const auto resource = static_cast<WORD>(host.iconResource_);
        bigIcon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON),
                                                  ::GetSystemMetrics(SM_CYICON), LR_SHARED));
        smallIcon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON),
                                                    ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        if (bigIcon != nullptr) {
            ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
        }
        if (smallIcon != nullptr) {
            ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
        }
    }
    dialog->Controls().AddObserver(this);
    observing = true;
    dialog->OnInitDialog();
    SyncAll();
    if (dialog->IsEnded()) {
        ::EndDialog(hwnd, dialog->Result());
        return;
    }
    ::PostMessageW(hwnd, kShownMessage, 0, 0);
}

INT_PTR Win32DialogHost::Impl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_CLOSE:
            // The window ends only through the dialog, which releases the
            // port first; a close while a handler waits comes after it.
            RunHandler([this] { dialog->Dispatch(kBnClicked, kIdCancel); }, true);
            return TRUE;
        case WM_SETCURSOR:
            if (host.busy_) {
                ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
                ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(bigIcon);
        case kShownMessage:
            // The dialog manager shows a dialog box once its queue runs dry,
            // which may be after this message: show it now.
            if (::IsWindowVisible(hwnd) == 0) {
                ::ShowWindow(hwnd, SW_SHOWNORMAL);
                ::UpdateWindow(hwnd);
            }
            if (host.onShown_ && !dialog->IsEnded()) {
                host.onShown_(hwnd);
            }
            return TRUE;
        case WM_DESTROY:
            StopObserving();
            return FALSE;
        default:
            return FALSE;
    }
}

void Win32DialogHost::Impl::OnCommand(int id, int code, HWND control) {
    if (syncing || dialog->IsEnded()) {
        return;
    }
    if ((id == IDOK || id == IDCANCEL) && (control == nullptr || code == BN_CLICKED)) {
        // Enter, Escape, or a button with a standard id.
        const int command = id == IDOK ? kIdOk : kIdCancel;
        RunHandler([this, command] { dialog->Dispatch(kBnClicked, command); }, id == IDCANCEL);
        return;
    }
    const std::optional<ControlKind> kind = dialog->Controls().KindOf(id);
    if (!kind || control == nullptr) {
        return;
    }
    if (code == BN_CLICKED && IsButtonKind(*kind)) {
        RunHandler([this, id] { dialog->Click(id); }, false);
        // A check box the control toggled itself shows the table's state,
        // also when the click was not taken.
        if (*kind == ControlKind::kCheckBox || *kind == ControlKind::kRadioButton) {
            Apply(id);
        }
        return;
    }
    if (host.busy_) {
        return;
    }
    if (IsComboKind(*kind) && code == CBN_SELCHANGE) {
        const LRESULT index = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (index >= 0) {
            dialog->ChooseItem(id, static_cast<int>(index));
        }
        return;
    }
    if ((*kind == ControlKind::kComboDropDown && code == CBN_EDITCHANGE) ||
        (*kind == ControlKind::kEdit && code == EN_CHANGE)) {
        dialog->TypeText(id, Utf16ToUtf8(WindowText(control)));
    }
}

void Win32DialogHost::Impl::Apply(int id) {
    if (hwnd == nullptr) {
        return;
    }
    const HWND item = ::GetDlgItem(hwnd, id);
    const ControlState* state = dialog->Controls().Find(id);
    const std::optional<ControlKind> kind = dialog->Controls().KindOf(id);
    if (item == nullptr || state == nullptr || !kind) {
        return;
    }
    syncing = true;
    if ((::IsWindowEnabled(item) != 0) != state->enabled) {
        ::EnableWindow(item, state->enabled ? TRUE : FALSE);
    }
    switch (*kind) {
        case ControlKind::kCheckBox:
        case ControlKind::kRadioButton:
            SetTextIfChanged(item, state->text);
            ::SendMessageW(item, BM_SETCHECK, state->check != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::kComboDropDown:
        case ControlKind::kComboDropList: {
            std::vector<std::wstring> wanted;
            for (const std::string& entry : state->items) {
                wanted.push_back(Utf8ToUtf16(entry));
            }
            if (ComboItems(item) != wanted) {
                ::SendMessageW(item, CB_RESETCONTENT, 0, 0);
                for (const std::wstring& entry : wanted) {
                    ::SendMessageW(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
                }
            }
            if (::SendMessageW(item, CB_GETCURSEL, 0, 0) != state->selection) {
                ::SendMessageW(item, CB_SETCURSEL, static_cast<WPARAM>(state->selection), 0);
            }
            if (*kind == ControlKind::kComboDropDown) {
                SetTextIfChanged(item, state->text);
            }
            break;
        }
        default:
            SetTextIfChanged(item, state->text);
            break;
    }
    syncing = false;
}

void Win32DialogHost::Impl::SyncAll() {
    for (const int id : dialog->Controls().Ids()) {
        Apply(id);
    }
}

void Win32DialogHost::Impl::StopObserving() {
    if (observing) {
        dialog->Controls().RemoveObserver(this);
        observing = false;
    }
}

void Win32DialogHost::Impl::RunHandler(const std::function<void()>& action, bool defer) {
    if (host.busy_) {
        if (defer) {
            deferred = action;
        }
        return;
    }
    host.busy_ = true;
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));
    action();
    ::SetCursor(previous);
    host.busy_ = false;
    if (deferred) {
        const std::function<void()> next = std::move(deferred);
        deferred = nullptr;
        RunHandler(next, false);
        return;
    }
    if (dialog->IsEnded() && hwnd != nullptr) {
        ::EndDialog(hwnd, dialog->Result());
    }
}

void Win32DialogHost::Impl::PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: handed back to the outer loop after the wait.
            quitPosted = true;
            quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        if (hwnd != nullptr && IsOperatorInput(msg.message) &&
            (msg.hwnd == hwnd || ::IsChild(hwnd, msg.hwnd) != 0)) {
            continue;
        }
        if (hwnd != nullptr && ::IsDialogMessageW(hwnd, &msg) != 0) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool Win32DialogHost::Impl::NestedWait(const std::function<bool()>* condition,
                                       std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    const HANDLE event = wake.Get();
    bool held = false;
    for (;;) {
        if (condition != nullptr && (*condition)()) {
            held = true;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const DWORD ms = left >= 0x7FFFFFFF ? 0x7FFFFFFFU : static_cast<DWORD>(left);
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(event != nullptr ? 1U : 0U, &event, ms,
                                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + (event != nullptr ? 1U : 0U)) {
            PumpMessages();
        } else if (woken == WAIT_FAILED) {
            ::Sleep(1);  // never spin on a wait that keeps failing
        }
    }
    if (quitPosted) {
        quitPosted = false;
        ::PostQuitMessage(quitCode);
    }
    return held;
}

Win32DialogHost::Win32DialogHost() : impl_(std::make_unique<Impl>(*this)) {}

Win32DialogHost::~Win32DialogHost() = default;

int Win32DialogHost::RunModal(Dialog& dialog) {
    impl_->dialog = &dialog;
    const std::vector<std::uint32_t> words = BuildWin32DialogTemplate(dialog.Template());
    const INT_PTR result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
        &Impl::Proc, reinterpret_cast<LPARAM>(impl_.get()));
    impl_->StopObserving();
    impl_->hwnd = nullptr;
    impl_->deferred = nullptr;
    window_ = nullptr;
    impl_->dialog = nullptr;
    if (result == -1) {
        return kDialogNotEnded;  // the dialog box could not be made
    }
    return dialog.IsEnded() ? dialog.Result() : kDialogNotEnded;
}

int Win32DialogHost::ShowMessageBox(const MessageBoxRequest& request) {
    UINT type = request.buttons == MessageBoxButtons::kOkCancel ? MB_OKCANCEL : MB_OK;
    switch (request.icon) {
        case MessageBoxIcon::kInformation:
            type |= MB_ICONINFORMATION;
            break;
        case MessageBoxIcon::kError:
            type |= MB_ICONERROR;
            break;
        case MessageBoxIcon::kWarning:
            type |= MB_ICONEXCLAMATION;
            break;
    }
    const std::wstring text = Utf8ToUtf16(request.text);
    const std::wstring caption = Utf8ToUtf16(request.caption);
    const int pressed = ::MessageBoxW(window_, text.c_str(), caption.c_str(), type);
    return pressed == IDCANCEL ? kIdCancel : kIdOk;
}

void Win32DialogHost::Sleep(std::chrono::milliseconds duration) {
    impl_->NestedWait(nullptr, duration);
}

bool Win32DialogHost::WaitUntil(const std::function<bool()>& condition,
                                std::chrono::milliseconds timeout) {
    return impl_->NestedWait(&condition, timeout);
}

void Win32DialogHost::Wake() {
    if (impl_->wake.Get() != nullptr) {
        ::SetEvent(impl_->wake.Get());
    }
}

}  // namespace kelm9d
