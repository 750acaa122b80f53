// A dialog template as plain data: the window's size, font and every control
// with its id, kind, text, position in dialog units and style. Hosts render
// it; the control table takes each control's initial state from it.
//
// Built as a table, for example:
//
//   t.controls = {
//       GroupBox(kNoId, "", {18, 10, 146, 35}),
//       ComboDropDown(1001, {94, 25, 54, 48}).With(ControlStyle::kVScroll),
//       PushButton(1066, "Start", {23, 20, 28, 21}),
//       PushButton(1068, "Stop", {53, 20, 28, 21}).Disabled(),
//       RightText(1013, "Integrate:", {232, 136, 66, 8}),
//       Edit(1024, {301, 133, 60, 14}).ReadOnly(),
//       LeftText(kNoId, "μs", {364, 136, 20, 8}),
//   };
//
// Texts are UTF-8 in std::string: plain literals are UTF-8 with the
// compiler's default execution character set (u8"..." literals are char8_t
// and do not convert).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelm9d {

// The id of controls that have none (static labels, frames): they hold no
// state and cannot be addressed.
inline constexpr int kNoId = -1;

enum class ControlKind {
    kPushButton,
    kDefPushButton,
    kCheckBox,     // auto check box: a click toggles it
    kRadioButton,  // auto radio button: a click checks it and clears its group
    kEdit,
    kStaticText,
    kGroupBox,
    kComboDropDown,  // list with an edit field the operator may type into
    kComboDropList,  // list only; its text is the selected entry
};

// Style flags as a bit set.
enum class ControlStyle : std::uint32_t {
    kNone = 0,
    kVisible = 1u << 0,
    kDisabled = 1u << 1,
    kReadOnly = 1u << 2,
    kBorder = 1u << 3,
    kAutoHScroll = 1u << 4,
    kVScroll = 1u << 5,
    kTextLeft = 1u << 6,
    kTextCenter = 1u << 7,
    kTextRight = 1u << 8,
    kGroupStart = 1u << 9,  // first control of a group (radio buttons, tab order)
    kTabStop = 1u << 10,
};

constexpr ControlStyle operator|(ControlStyle a, ControlStyle b) {
    return static_cast<ControlStyle>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr ControlStyle operator&(ControlStyle a, ControlStyle b) {
    return static_cast<ControlStyle>(static_cast<std::uint32_t>(a) & static_cast<std::uint32_t>(b));
}
constexpr ControlStyle operator~(ControlStyle a) {
    return static_cast<ControlStyle>(~static_cast<std::uint32_t>(a));
}
constexpr ControlStyle& operator|=(ControlStyle& a, ControlStyle b) {
    return a = a | b;
}
constexpr ControlStyle& operator&=(ControlStyle& a, ControlStyle b) {
    return a = a & b;
}

// Whether every flag of `flags` is set in `style`.
constexpr bool HasStyle(ControlStyle style, ControlStyle flags) {
    return (style & flags) == flags && flags != ControlStyle::kNone;
}

// Style flags of the window frame.
enum class DialogStyle : std::uint32_t {
    kNone = 0,
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,  // close box
    kModalFrame = 1u << 2,
    kMinimizeBox = 1u << 3,
    kMaximizeBox = 1u << 4,
    kAppWindow = 1u << 5,  // has a taskbar button
};

constexpr DialogStyle operator|(DialogStyle a, DialogStyle b) {
    return static_cast<DialogStyle>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr DialogStyle operator&(DialogStyle a, DialogStyle b) {
    return static_cast<DialogStyle>(static_cast<std::uint32_t>(a) & static_cast<std::uint32_t>(b));
}
constexpr bool HasStyle(DialogStyle style, DialogStyle flags) {
    return (style & flags) == flags && flags != DialogStyle::kNone;
}

// Position and size in dialog units.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

struct ControlTemplate {
    int id = kNoId;
    ControlKind kind = ControlKind::kStaticText;
    std::string text;  // UTF-8
    DialogRect rect;
    ControlStyle style = ControlStyle::kVisible;

    bool Has(ControlStyle flags) const { return HasStyle(style, flags); }

    // Modifiers, so that a table entry reads "PushButton(...).Disabled()".
    [[nodiscard]] ControlTemplate With(ControlStyle flags) const;
    [[nodiscard]] ControlTemplate Without(ControlStyle flags) const;
    [[nodiscard]] ControlTemplate Hidden() const { return Without(ControlStyle::kVisible); }
    [[nodiscard]] ControlTemplate Disabled() const { return With(ControlStyle::kDisabled); }
    [[nodiscard]] ControlTemplate ReadOnly() const { return With(ControlStyle::kReadOnly); }
    [[nodiscard]] ControlTemplate GroupStart() const { return With(ControlStyle::kGroupStart); }
};

struct DialogTemplate {
    int id = 0;
    std::string title;  // UTF-8
    int width = 0;      // dialog units
    int height = 0;
    std::string fontName;
    int fontPointSize = 9;
    DialogStyle style = DialogStyle::kCaption | DialogStyle::kSystemMenu | DialogStyle::kModalFrame;
    std::vector<ControlTemplate> controls;  // in template order: tab and group order

    // The first control with this id, or nullptr (also for kNoId).
    const ControlTemplate* Find(int id) const;
};

// Builders with the usual styles of each kind: visible, and a tab stop where
// the operator can reach the control. Add or remove flags with the modifiers.
ControlTemplate PushButton(int id, std::string text, DialogRect rect);
ControlTemplate DefPushButton(int id, std::string text, DialogRect rect);
ControlTemplate CheckBox(int id, std::string text, DialogRect rect);
ControlTemplate RadioButton(int id, std::string text, DialogRect rect);
// Bordered, auto-scrolling, left-aligned edit field.
ControlTemplate Edit(int id, DialogRect rect);
ControlTemplate LeftText(int id, std::string text, DialogRect rect);
ControlTemplate CenteredText(int id, std::string text, DialogRect rect);
ControlTemplate RightText(int id, std::string text, DialogRect rect);
ControlTemplate GroupBox(int id, std::string text, DialogRect rect);
// Combo boxes; the rect's height includes the dropped-down list.
ControlTemplate ComboDropDown(int id, DialogRect rect);
ControlTemplate ComboDropList(int id, DialogRect rect);

// Kinds that take a click (BN_CLICKED).
bool IsButtonKind(ControlKind kind);
bool IsComboKind(ControlKind kind);

}  // namespace kelm9d
