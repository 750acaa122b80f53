#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <iostream>

#include "app/orvane_app.h"
#include "app/window.h"
#include "qt/qt_dialog_host.h"

namespace kelm9d {

int RunWindow(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((platform == nullptr || *platform == '\0') && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::cerr << "kelm9dmaster: no display to open the window on; "
                     "run it with --batch to work without one\n";
        return 2;
    }
    QApplication application(argc, argv);
    // Qt takes the user's locale; numbers on the line and in the window are
    // locale-independent anyway, but C library calls elsewhere stay predictable.
    std::setlocale(LC_NUMERIC, "C");
    QtDialogHost host;
    theApp.InitApplication(host);
    return 0;
}

}  // namespace kelm9d
