// Template 102: the main window as data, every control of it, hidden ones
// included. Hosts render it; the control table takes its initial state
// from it.
#pragma once

#include "platform/dialog/dialog_template.h"

namespace kelm9d {

const DialogTemplate& MainDialogTemplate();

}  // namespace kelm9d
