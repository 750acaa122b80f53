#include "platform/dialog/control_table.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace kelm9d {

DlgItemInt ParseDlgItemInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Magnitudes are gathered in 64 bits and capped just past the 32-bit
    // range, so that any number of digits is safe.
    constexpr std::int64_t kMaxMagnitude = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    bool tooLarge = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        anyDigit = true;
        if (!tooLarge) {
            magnitude = magnitude * 10 + (text[i] - '0');
            tooLarge = magnitude > kMaxMagnitude;
        }
    }
    if (!anyDigit || tooLarge || (!negative && magnitude == kMaxMagnitude)) {
        return {};
    }
    return {static_cast<int>(negative ? -magnitude : magnitude), true};
}

ControlTable::ControlTable(const DialogTemplate& dialogTemplate) {
    entries_.reserve(dialogTemplate.controls.size());
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.id == kNoId || index_.count(control.id) != 0) {
            continue;
        }
        Entry entry;
        entry.id = control.id;
        entry.kind = control.kind;
        // A drop-list shows its selection only, and there is none yet.
        if (control.kind != ControlKind::kComboDropList) {
            entry.state.text = control.text;
        }
        entry.state.enabled = !control.Has(ControlStyle::kDisabled);
        entry.state.visible = control.Has(ControlStyle::kVisible);
        index_.emplace(control.id, entries_.size());
        entries_.push_back(std::move(entry));
    }
}

void ControlTable::AddObserver(ControlObserver* observer) {
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        observers_.push_back(observer);
    }
}

void ControlTable::RemoveObserver(ControlObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ControlTable::Notify(int id, ChangeKind what) {
    // An observer may add or remove observers while it is told; iterate a
    // copy and skip any that were removed meanwhile.
    const std::vector<ControlObserver*> current = observers_;
    for (ControlObserver* observer : current) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
            observer->OnControlChanged(id, what);
        }
    }
}

ControlTable::Entry* ControlTable::Lookup(int id) {
    const auto it = index_.find(id);
    return it == index_.end() ? nullptr : &entries_[it->second];
}

const ControlTable::Entry* ControlTable::Lookup(int id) const {
    const auto it = index_.find(id);
    return it == index_.end() ? nullptr : &entries_[it->second];
}

bool ControlTable::Has(int id) const {
    return Lookup(id) != nullptr;
}

const ControlState* ControlTable::Find(int id) const {
    const Entry* entry = Lookup(id);
    return entry == nullptr ? nullptr : &entry->state;
}

std::optional<ControlKind> ControlTable::KindOf(int id) const {
    const Entry* entry = Lookup(id);
    if (entry == nullptr) {
        return std::nullopt;
    }
    return entry->kind;
}

std::vector<int> ControlTable::Ids() const {
    std::vector<int> ids;
    ids.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        ids.push_back(entry.id);
    }
    return ids;
}

bool ControlTable::SetText(int id, std::string_view text) {
    Entry* entry = Lookup(id);
    if (entry == nullptr) {
        return false;
    }
    if (entry->kind == ControlKind::kComboDropList) {
        const auto& items = entry->state.items;
        const auto match = std::find(items.begin(), items.end(), text);
        if (match == items.end()) {
            return false;
        }
        return SetSelection(id, static_cast<int>(match - items.begin()));
    }
    if (entry->state.text == text) {
        return true;
    }
    entry->state.text.assign(text);
    Notify(id, ChangeKind::kText);
    return true;
}

std::string ControlTable::GetText(int id) const {
    const Entry* entry = Lookup(id);
    return entry == nullptr ? std::string() : entry->state.text;
}

bool ControlTable::SetInt(int id, int value) {
    return SetText(id, std::to_string(value));
}

DlgItemInt ControlTable::GetInt(int id) const {
    const Entry* entry = Lookup(id);
    return entry == nullptr ? DlgItemInt{} : ParseDlgItemInt(entry->state.text);
}

bool ControlTable::SetCheck(int id, int check) {
    Entry* entry = Lookup(id);
    if (entry == nullptr ||
        (entry->kind != ControlKind::kCheckBox && entry->kind != ControlKind::kRadioButton)) {
        return false;
    }
    const int state = check != 0 ? 1 : 0;
    if (entry->state.check != state) {
        entry->state.check = state;
        Notify(id, ChangeKind::kCheck);
    }
    return true;
}

int ControlTable::GetCheck(int id) const {
    const Entry* entry = Lookup(id);
    return entry == nullptr ? 0 : entry->state.check;
}

bool ControlTable::ResetItems(int id) {
    Entry* entry = Lookup(id);
    if (entry == nullptr || !IsComboKind(entry->kind)) {
        return false;
    }
    ControlState& state = entry->state;
    if (!state.items.empty()) {
        state.items.clear();
        Notify(id, ChangeKind::kItems);
    }
    if (state.selection != -1) {
        state.selection = -1;
        Notify(id, ChangeKind::kSelection);
    }
    if (!state.text.empty()) {
        state.text.clear();
        Notify(id, ChangeKind::kText);
    }
    return true;
}

int ControlTable::AddItem(int id, std::string_view text) {
    Entry* entry = Lookup(id);
    if (entry == nullptr || !IsComboKind(entry->kind)) {
        return -1;
    }
    entry->state.items.emplace_back(text);
    const int index = static_cast<int>(entry->state.items.size() - 1);
    Notify(id, ChangeKind::kItems);
    return index;
}

bool ControlTable::SetSelection(int id, int index) {
    Entry* entry = Lookup(id);
    if (entry == nullptr || !IsComboKind(entry->kind)) {
        return false;
    }
    ControlState& state = entry->state;
    const bool inRange = index >= 0 && static_cast<std::size_t>(index) < state.items.size();
    const int selection = inRange ? index : -1;
    const std::string text = inRange ? state.items[static_cast<std::size_t>(index)] : std::string();
    if (state.selection != selection) {
        state.selection = selection;
        Notify(id, ChangeKind::kSelection);
    }
    if (state.text != text) {
        state.text = text;
        Notify(id, ChangeKind::kText);
    }
    return inRange || index == -1;
}

int ControlTable::GetSelection(int id) const {
    const Entry* entry = Lookup(id);
    return entry == nullptr ? -1 : entry->state.selection;
}

bool ControlTable::Enable(int id, bool enable) {
    Entry* entry = Lookup(id);
    if (entry == nullptr) {
        return false;
    }
    if (entry->state.enabled != enable) {
        entry->state.enabled = enable;
        Notify(id, ChangeKind::kEnabled);
    }
    return true;
}

bool ControlTable::IsEnabled(int id) const {
    const Entry* entry = Lookup(id);
    return entry != nullptr && entry->state.enabled;
}

}  // namespace kelm9d
