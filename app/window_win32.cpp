#include <windows.h>

#include <commctrl.h>

#include "app/orvane_app.h"
#include "app/window.h"
#include "ui/control_ids.h"
#include "win32/win32_dialog_host.h"

namespace kelm9d {

int RunWindow(int /*argc*/, char** /*argv*/) {
    // A console program, for --batch. Started from the desktop, the console
    // that Windows opened for the window alone has nothing to show: let it go.
    DWORD processes[2] = {};
    if (::GetConsoleProcessList(processes, 2) == 1) {
        ::FreeConsole();
    }
    // The common controls as the application object asks for them.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    Win32DialogHost host;
    host.SetIconResource(idc::kWindowIcon);
    theApp.InitApplication(host);
    return 0;
}

}  // namespace kelm9d
