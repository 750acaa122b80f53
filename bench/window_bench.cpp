// Peak memory of the window: the real Qt window, connected to the simulated
// detector, after Start, Read and Exit.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/orvane_app.h"
#include "qt/qt_dialog_host.h"
#include "qt/template_window.h"
#include "sim/simulated_detector.h"
#include "ui/control_ids.h"

namespace {

long PeakResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    kelm9d::sim::SimOptions options;
    options.behaviour.pacing = false;
    kelm9d::sim::SimulatedDetector detector(options);
    if (detector.Start().Failed())
        return 1;

    kelm9d::COrvaneApp app;
    kelm9d::QtDialogHost host;
    host.SetOnShown([&](kelm9d::TemplateWindow& window) {
        // As an operator would: type the port, Start, Read, Exit.
        auto* port = static_cast<QComboBox*>(window.WidgetFor(kelm9d::idc::kComPort));
        port->setEditText(QString::fromStdString(detector.SlavePath()));
        const auto click = [&](int id) {
            static_cast<QPushButton*>(window.WidgetFor(id))->click();
        };
        click(kelm9d::idc::kStart);
        click(kelm9d::idc::kRead);
        click(kelm9d::idc::kExit);
    });
    app.InitApplication(host);
    std::printf("memory.window_peak_kib %ld\n", PeakResidentKib());
    return 0;
}
