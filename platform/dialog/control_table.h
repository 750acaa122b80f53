// The live state of a dialog's controls, keyed by control id, and the calls
// the window code makes on them. Hosts mirror it through an observer.
//
// Used on the window's thread only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/dialog/dialog_template.h"

namespace kelm9d {

// What a number read from a control's text came to.
struct DlgItemInt {
    int value = 0;            // 0 whenever `translated` is false
    bool translated = false;  // digits were found and the value fits in 32 bits
};

// Reads a text as a signed decimal number the way a dialog's "get item as
// integer" call does: leading spaces and tabs skipped, an optional '+' or
// '-', then decimal digits up to the first other character ("12abc" is 12).
// No digits, or a value outside the signed 32-bit range, gives 0, not
// translated. Pure; any byte sequence is acceptable input.
DlgItemInt ParseDlgItemInt(std::string_view text);

struct ControlState {
    std::string text;  // UTF-8; for combo boxes the text of the edit field
    int check = 0;     // 0 or 1
    std::vector<std::string> items;
    int selection = -1;  // -1: none
    bool enabled = true;
    bool visible = true;
};

enum class ChangeKind {
    kText,
    kCheck,
    kItems,  // entries added or removed
    kSelection,
    kEnabled,
};

// Told of every change, synchronously, on the thread that made it, after the
// state has changed. A call that leaves the state as it was (the same text
// set again, a control enabled that already was) notifies nothing.
class ControlObserver {
  public:
    virtual ~ControlObserver() = default;
    virtual void OnControlChanged(int id, ChangeKind what) = 0;
};

class ControlTable {
  public:
    ControlTable() = default;
    // One state per control with an id, initialised from the template: its
    // text, unchecked, no entries, no selection, enabled and visible as its
    // style says. Should an id occur twice, the first control owns it.
    explicit ControlTable(const DialogTemplate& dialogTemplate);

    // Observers are not owned; remove one before it is destroyed.
    void AddObserver(ControlObserver* observer);
    void RemoveObserver(ControlObserver* observer);

    bool Has(int id) const;
    // The state of a control, or nullptr for an unknown id.
    const ControlState* Find(int id) const;
    // The kind of a known control; nullopt for an unknown id.
    std::optional<ControlKind> KindOf(int id) const;
    // Ids that hold state, in template order.
    std::vector<int> Ids() const;

    // Every call below addresses a control by id. On an unknown id it
    // changes nothing and reports failure: false, "", 0, -1.

    // Sets the text. On a drop-list combo box, whose text is always its
    // selected entry, this selects the first entry equal to `text` and fails
    // when there is none.
    bool SetText(int id, std::string_view text);
    std::string GetText(int id) const;
    bool SetInt(int id, int value);
    DlgItemInt GetInt(int id) const;

    // Check boxes and radio buttons only; any non-zero state counts as 1.
    // Setting one radio button does not clear the others of its group (a
    // click does, see Dialog::Click).
    bool SetCheck(int id, int check);
    int GetCheck(int id) const;

    // Combo boxes only. ResetItems removes every entry, the selection and
    // the edit text; AddItem appends (no sorting) and returns the index.
    bool ResetItems(int id);
    int AddItem(int id, std::string_view text);

    // Combo boxes only. Selecting an entry also puts its text into the edit
    // field; -1 clears the selection and the edit text. An index past the
    // list also clears both, and fails.
    bool SetSelection(int id, int index);
    int GetSelection(int id) const;

    bool Enable(int id, bool enable);
    bool IsEnabled(int id) const;

  private:
    struct Entry {
        int id = kNoId;
        ControlKind kind = ControlKind::kStaticText;
        ControlState state;
    };

    Entry* Lookup(int id);
    const Entry* Lookup(int id) const;
    void Notify(int id, ChangeKind what);

    std::vector<Entry> entries_;                  // template order
    std::unordered_map<int, std::size_t> index_;  // id -> entries_ position
    std::vector<ControlObserver*> observers_;
};

}  // namespace kelm9d
