// Our own small dialog library: a dialog holds its template and the live
// state of its controls, maps (notification, control id) to handlers, and
// asks a host for everything that needs a screen or a clock: running it,
// message boxes, sleeping and waiting. The window's logic derives from
// Dialog and runs unchanged on any host.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "platform/dialog/control_table.h"
#include "platform/dialog/dialog_template.h"
#include "platform/dialog/wake_signal.h"

namespace kelm9d {

// Standard command ids: a host sends them for Enter, and for Escape or the
// close box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Notification codes, with the numbers the Windows controls use.
inline constexpr int kBnClicked = 0;
inline constexpr int kCbnSelChange = 1;
inline constexpr int kCbnEditChange = 5;
inline constexpr int kEnChange = 0x0300;

// What DoModal returns when the host stopped without the dialog having
// ended, or when the dialog was already running.
inline constexpr int kDialogNotEnded = -1;

enum class MessageBoxIcon { kWarning, kInformation, kError };
enum class MessageBoxButtons { kOk, kOkCancel };

struct MessageBoxRequest {
    std::string caption;  // UTF-8
    std::string text;     // UTF-8
    MessageBoxIcon icon = MessageBoxIcon::kWarning;
    MessageBoxButtons buttons = MessageBoxButtons::kOk;

    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

class Dialog;

// What a host provides. Everything but Wake is called on the window's
// thread; Wake may come from any thread.
class DialogHost {
  public:
    virtual ~DialogHost() = default;

    // Runs OnInitDialog, shows the dialog, feeds the operator's actions
    // through Dispatch (or Click and friends) until the dialog has ended,
    // and returns its result (kDialogNotEnded if it stopped before).
    virtual int RunModal(Dialog& dialog) = 0;
    // Shows a modal message box and returns the id of the button pressed.
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Pacing: returns after `duration`.
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
    // Returns once `condition` holds (true) or `timeout` has passed (false).
    // The condition is evaluated on the window's thread, at once and after
    // each Wake.
    virtual bool WaitUntil(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout) = 0;
    // Something a waited-for condition reads may have changed. Any thread,
    // any time; a wake while nobody waits must not be lost for a wait that
    // is evaluating its condition right now.
    virtual void Wake() = 0;
};

// Everything here runs on the window's thread, except Wake.
class Dialog {
  public:
    explicit Dialog(DialogTemplate dialogTemplate);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    const DialogTemplate& Template() const { return template_; }
    ControlTable& Controls() { return controls_; }
    const ControlTable& Controls() const { return controls_; }

    // The caption of message boxes; the template's title unless the owner
    // sets another.
    const std::string& ApplicationName() const { return applicationName_; }
    void SetApplicationName(std::string name) { applicationName_ = std::move(name); }

    // --- Modal run -------------------------------------------------------

    // Hands the dialog to `host` and returns the result of EndDialog. The
    // host stays attached, for message boxes, sleeps and waits, until it
    // returns. A dialog that is already running is refused with
    // kDialogNotEnded.
    int DoModal(DialogHost& host);

    // The set-up hook, run by the host once the controls exist.
    virtual bool OnInitDialog() { return true; }
    // Run for kIdOk / kIdCancel unless the message map binds them; they end
    // the dialog with that id.
    virtual void OnOK() { EndDialog(kIdOk); }
    virtual void OnCancel() { EndDialog(kIdCancel); }

    void EndDialog(int result);
    bool IsEnded() const { return ended_; }
    int Result() const { return result_; }

    // --- Operator actions, fed in by the host --------------------------------

    // Runs the handler bound to (notification, id); for BN_CLICKED of
    // kIdOk or kIdCancel without a binding, OnOK or OnCancel. Returns
    // whether a handler ran. Nothing runs once the dialog has ended.
    bool Dispatch(int notification, int id);

    // A click on a button the way the operator makes it: refused (false) for
    // an unknown id, a control that is not a button, a disabled one, or an
    // ended dialog. An auto check box toggles and an auto radio button is
    // checked and clears the other radio buttons of its group before
    // BN_CLICKED is dispatched. Returns whether the click was taken.
    bool Click(int id);
    // The operator types `text` into an edit field or a drop-down combo
    // box's edit field: refused for other kinds, disabled or read-only
    // controls. Sets the text and dispatches EN_CHANGE (edit) or
    // CBN_EDITCHANGE (combo box).
    bool TypeText(int id, std::string_view text);
    // The operator picks entry `index` of a combo box: refused when disabled
    // or out of range. Selects it and dispatches CBN_SELCHANGE.
    bool ChooseItem(int id, int index);

    // --- Calls the window code makes on its controls ---------------------------
    // See ControlTable; an unknown id does nothing and reports failure.

    bool SetText(int id, std::string_view text) { return controls_.SetText(id, text); }
    std::string GetText(int id) const { return controls_.GetText(id); }
    bool SetInt(int id, int value) { return controls_.SetInt(id, value); }
    DlgItemInt GetInt(int id) const { return controls_.GetInt(id); }
    bool SetCheck(int id, int check) { return controls_.SetCheck(id, check); }
    int GetCheck(int id) const { return controls_.GetCheck(id); }
    bool ResetItems(int id) { return controls_.ResetItems(id); }
    int AddItem(int id, std::string_view text) { return controls_.AddItem(id, text); }
    bool SetSelection(int id, int index) { return controls_.SetSelection(id, index); }
    int GetSelection(int id) const { return controls_.GetSelection(id); }
    bool Enable(int id, bool enable = true) { return controls_.Enable(id, enable); }
    bool IsEnabled(int id) const { return controls_.IsEnabled(id); }

    // --- Calls the window code makes on its host ---------------------------

    // A modal box with an OK button, the warning icon and the application's
    // name as caption. Returns the button pressed; 0 when no host is
    // attached, so nothing could be shown.
    int MessageBox(const std::string& text);
    // Pacing. Without a host, sleeps on the calling thread.
    void Sleep(std::chrono::milliseconds duration);
    // Waits until `condition` holds or `timeout` passes; returns whether it
    // held. Without a host, waits on the dialog's own signal.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    // Thread-safe, at any time while the dialog exists: another thread
    // changed something a condition may read.
    void Wake();

    // For hosts that show a dialog outside DoModal, and for tests; nullptr
    // detaches. DoModal attaches and detaches on its own.
    void AttachHost(DialogHost* host);

  protected:
    using Handler = std::function<void()>;

    // Binds a handler, normally in the derived constructor. The first
    // binding of a pair stays: a second one, or an empty handler, is
    // refused with false.
    bool MapCommand(int notification, int id, Handler handler);
    bool MapClicked(int id, Handler handler) {
        return MapCommand(kBnClicked, id, std::move(handler));
    }
    bool MapChanged(int id, Handler handler) {
        return MapCommand(kEnChange, id, std::move(handler));
    }

  private:
    DialogHost* CurrentHost() const;
    void UncheckGroupMates(int id);

    DialogTemplate template_;
    ControlTable controls_;
    std::string applicationName_;
    std::map<std::pair<int, int>, Handler> messageMap_;  // (notification, id)
    bool running_ = false;
    bool ended_ = false;
    int result_ = 0;

    // The host is swapped on the window's thread and read by Wake from any
    // thread.
    mutable std::mutex hostMutex_;
    DialogHost* host_ = nullptr;
    WakeSignal ownSignal_;  // for waits without a host
};

}  // namespace kelm9d
