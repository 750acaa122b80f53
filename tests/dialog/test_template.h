// A small dialog template with one control of each kind, shared by the
// dialog tests.
#pragma once

#include "platform/dialog/dialog_template.h"

namespace kelm9d::testing {

inline constexpr int kEditId = 10;
inline constexpr int kReadOnlyId = 11;
inline constexpr int kCheckId = 12;
inline constexpr int kDisabledCheckId = 13;
inline constexpr int kRadioAId = 14;  // group 1
inline constexpr int kRadioBId = 15;  // group 1
inline constexpr int kRadioCId = 16;  // group 2
inline constexpr int kComboId = 20;
inline constexpr int kDropListId = 21;
inline constexpr int kButtonId = 30;
inline constexpr int kDisabledButtonId = 31;
inline constexpr int kHiddenButtonId = 32;
inline constexpr int kUnitId = 40;

inline DialogTemplate SmallTemplate() {
    DialogTemplate t;
    t.id = 7;
    t.title = "Small";
    t.width = 200;
    t.height = 100;
    t.fontName = "MS Shell Dlg";
    t.fontPointSize = 9;
    t.controls = {
        GroupBox(kNoId, "Frame", {1, 1, 100, 50}),
        Edit(kEditId, {2, 2, 60, 14}).With(ControlStyle::kVScroll),
        Edit(kReadOnlyId, {2, 20, 60, 14}).ReadOnly(),
        CheckBox(kCheckId, "Check", {2, 40, 40, 10}),
        CheckBox(kDisabledCheckId, "Off", {2, 50, 40, 10}).Disabled(),
        RadioButton(kRadioAId, "A", {2, 60, 40, 10}).GroupStart(),
        LeftText(kNoId, "between", {50, 60, 40, 8}),
        RadioButton(kRadioBId, "B", {2, 70, 40, 10}),
        RadioButton(kRadioCId, "C", {2, 80, 40, 10}).GroupStart(),
        ComboDropDown(kComboId, {100, 2, 50, 48}).With(ControlStyle::kVScroll),
        ComboDropList(kDropListId, {100, 20, 50, 48}),
        PushButton(kButtonId, "Go", {100, 40, 30, 14}),
        PushButton(kDisabledButtonId, "Stop", {100, 60, 30, 14}).Disabled(),
        PushButton(kHiddenButtonId, "Secret", {100, 80, 30, 14}).Hidden(),
        RightText(kUnitId, "\xCE\xBCs", {70, 2, 10, 8}),
    };
    return t;
}

}  // namespace kelm9d::testing
