#include "win32/dialog_template_win32.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "win32/utf16.h"

namespace kelm9d {
namespace {

// Appends 16-bit words, padding to 32 bits where the format asks for it.
class TemplateWriter {
  public:
    void Word(std::uint16_t value) { words_.push_back(value); }
    void Dword(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFFU));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
    void Text(const std::string& utf8) {
        for (wchar_t c : Utf8ToUtf16(utf8)) {
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<std::uint32_t> Finish() {
        AlignToDword();
        std::vector<std::uint32_t> out(words_.size() / 2);
        std::memcpy(out.data(), words_.data(), words_.size() * sizeof(std::uint16_t));
        return out;
    }

  private:
    std::vector<std::uint16_t> words_;
};

std::uint32_t Flag(bool on, std::uint32_t style) {
    return on ? style : 0U;
}

}  // namespace

std::uint16_t Win32ControlClassAtom(ControlKind kind) {
    switch (kind) {
        case ControlKind::kEdit:
            return 0x0081;
        case ControlKind::kStaticText:
            return 0x0082;
        case ControlKind::kComboDropDown:
        case ControlKind::kComboDropList:
            return 0x0085;
        default:
            return 0x0080;  // buttons of every kind, group boxes
    }
}

std::uint32_t Win32ControlStyle(const ControlTemplate& c) {
    std::uint32_t style = WS_CHILD;
    style |= Flag(c.Has(ControlStyle::kVisible), WS_VISIBLE);
    style |= Flag(c.Has(ControlStyle::kDisabled), WS_DISABLED);
    style |= Flag(c.Has(ControlStyle::kTabStop), WS_TABSTOP);
    style |= Flag(c.Has(ControlStyle::kGroupStart), WS_GROUP);
    style |= Flag(c.Has(ControlStyle::kBorder), WS_BORDER);
    style |= Flag(c.Has(ControlStyle::kVScroll), WS_VSCROLL);
    switch (c.kind) {
        case ControlKind::kPushButton:
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::kDefPushButton:
            style |= BS_DEFPUSHBUTTON;
            break;
        case ControlKind::kCheckBox:
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::kRadioButton:
            style |= BS_AUTORADIOBUTTON;
            break;
        case ControlKind::kGroupBox:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::kEdit:
            style |= static_cast<std::uint32_t>(c.Has(ControlStyle::kTextCenter)  ? ES_CENTER
                                                : c.Has(ControlStyle::kTextRight) ? ES_RIGHT
                                                                                  : ES_LEFT);
            style |= Flag(c.Has(ControlStyle::kReadOnly), ES_READONLY);
            style |= Flag(c.Has(ControlStyle::kAutoHScroll), ES_AUTOHSCROLL);
            break;
        case ControlKind::kStaticText:
            style |= static_cast<std::uint32_t>(c.Has(ControlStyle::kTextCenter)  ? SS_CENTER
                                                : c.Has(ControlStyle::kTextRight) ? SS_RIGHT
                                                                                  : SS_LEFT);
            break;
        case ControlKind::kComboDropDown:
            // A typed port name may be longer than the box is wide.
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL;
            break;
        case ControlKind::kComboDropList:
            style |= CBS_DROPDOWNLIST;
            break;
    }
    return style;
}

std::uint32_t Win32DialogStyle(const DialogTemplate& t) {
    std::uint32_t style = WS_POPUP | DS_SETFONT;
    style |= Flag(HasStyle(t.style, DialogStyle::kCaption), WS_CAPTION);
    style |= Flag(HasStyle(t.style, DialogStyle::kSystemMenu), WS_SYSMENU);
    style |= Flag(HasStyle(t.style, DialogStyle::kModalFrame), DS_MODALFRAME);
    style |= Flag(HasStyle(t.style, DialogStyle::kMinimizeBox), WS_MINIMIZEBOX);
    style |= Flag(HasStyle(t.style, DialogStyle::kMaximizeBox), WS_MAXIMIZEBOX);
    return style;
}

std::uint32_t Win32DialogExStyle(const DialogTemplate& t) {
    return Flag(HasStyle(t.style, DialogStyle::kAppWindow), WS_EX_APPWINDOW);
}

std::vector<std::uint32_t> BuildWin32DialogTemplate(const DialogTemplate& t) {
    TemplateWriter w;
    w.Dword(Win32DialogStyle(t));
    w.Dword(Win32DialogExStyle(t));
    w.Word(static_cast<std::uint16_t>(t.controls.size()));
    w.Short(0);
    w.Short(0);
    w.Short(t.width);
    w.Short(t.height);
    w.Word(0);  // no menu
    w.Word(0);  // the standard dialog class
    w.Text(t.title);
    w.Word(static_cast<std::uint16_t>(t.fontPointSize > 0 ? t.fontPointSize : 9));
    w.Text(t.fontName.empty() ? std::string("MS Shell Dlg") : t.fontName);
    for (const ControlTemplate& c : t.controls) {
        w.AlignToDword();
        w.Dword(Win32ControlStyle(c));
        w.Dword(0);
        w.Short(c.rect.x);
        w.Short(c.rect.y);
        w.Short(c.rect.width);
        w.Short(c.rect.height);
        w.Word(static_cast<std::uint16_t>(c.id));  // kNoId is 0xFFFF, the id of labels
        w.Word(0xFFFF);
        w.Word(Win32ControlClassAtom(c.kind));
        w.Text(c.text);
        w.Word(0);  // no creation data
    }
    return w.Finish();
}

}  // namespace kelm9d
