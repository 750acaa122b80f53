#include "platform/dialog/dialog_template.h"

#include <utility>

namespace kelm9d {

namespace {

ControlTemplate Make(int id, ControlKind kind, std::string text, DialogRect rect,
                     ControlStyle style) {
    ControlTemplate control;
    control.id = id;
    control.kind = kind;
    control.text = std::move(text);
    control.rect = rect;
    control.style = style;
    return control;
}

constexpr ControlStyle kShown = ControlStyle::kVisible;
constexpr ControlStyle kReachable = ControlStyle::kVisible | ControlStyle::kTabStop;

}  // namespace

ControlTemplate ControlTemplate::With(ControlStyle flags) const {
    ControlTemplate copy = *this;
    copy.style |= flags;
    return copy;
}

ControlTemplate ControlTemplate::Without(ControlStyle flags) const {
    ControlTemplate copy = *this;
    copy.style &= ~flags;
    return copy;
}

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    if (controlId == kNoId) {
        return nullptr;
    }
    for (const ControlTemplate& control : controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

ControlTemplate PushButton(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kPushButton, std::move(text), rect, kReachable);
}

ControlTemplate DefPushButton(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kDefPushButton, std::move(text), rect, kReachable);
}

ControlTemplate CheckBox(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kCheckBox, std::move(text), rect, kReachable);
}

ControlTemplate RadioButton(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kRadioButton, std::move(text), rect, kShown);
}

ControlTemplate Edit(int id, DialogRect rect) {
    return Make(
        id, ControlKind::kEdit, std::string(), rect,
        kReachable | ControlStyle::kBorder | ControlStyle::kAutoHScroll | ControlStyle::kTextLeft);
}

ControlTemplate LeftText(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kStaticText, std::move(text), rect,
                kShown | ControlStyle::kTextLeft);
}

ControlTemplate CenteredText(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kStaticText, std::move(text), rect,
                kShown | ControlStyle::kTextCenter);
}

ControlTemplate RightText(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kStaticText, std::move(text), rect,
                kShown | ControlStyle::kTextRight);
}

ControlTemplate GroupBox(int id, std::string text, DialogRect rect) {
    return Make(id, ControlKind::kGroupBox, std::move(text), rect, kShown);
}

ControlTemplate ComboDropDown(int id, DialogRect rect) {
    return Make(id, ControlKind::kComboDropDown, std::string(), rect, kReachable);
}

ControlTemplate ComboDropList(int id, DialogRect rect) {
    return Make(id, ControlKind::kComboDropList, std::string(), rect, kReachable);
}

bool IsButtonKind(ControlKind kind) {
    switch (kind) {
        case ControlKind::kPushButton:
        case ControlKind::kDefPushButton:
        case ControlKind::kCheckBox:
        case ControlKind::kRadioButton:
            return true;
        default:
            return false;
    }
}

bool IsComboKind(ControlKind kind) {
    return kind == ControlKind::kComboDropDown || kind == ControlKind::kComboDropList;
}

}  // namespace kelm9d
