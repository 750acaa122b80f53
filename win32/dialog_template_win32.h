// Our dialog template as the in-memory template the Windows dialog manager
// runs: the same data that every other host renders, so template 102 has
// one source of truth.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dialog/dialog_template.h"

namespace kelm9d {

// Window styles of a control and of the frame, as the template says.
std::uint32_t Win32ControlStyle(const ControlTemplate& control);
std::uint32_t Win32DialogStyle(const DialogTemplate& dialogTemplate);
std::uint32_t Win32DialogExStyle(const DialogTemplate& dialogTemplate);

// The predefined window class atom of a control kind: button, edit, static
// or combo box.
std::uint16_t Win32ControlClassAtom(ControlKind kind);

// A DLGTEMPLATE with DS_SETFONT and one DLGITEMTEMPLATE per control, in
// template order, every control included (hidden ones without WS_VISIBLE),
// texts in UTF-16. Stored in 32-bit words so that it is DWORD-aligned, as
// the dialog manager requires.
std::vector<std::uint32_t> BuildWin32DialogTemplate(const DialogTemplate& dialogTemplate);

}  // namespace kelm9d
