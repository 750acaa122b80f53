// The shared core of the window tests against a detector: the simulated
// detector in this process, the main window on a recording blocking host,
// and a tear-down that releases the port before the detector goes. The
// end-to-end and fault suites build their own helpers on top.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "link/detector_port.h"
#include "sim/simulated_detector.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"
#include "ui/orvane_dlg.h"

namespace kelm9d::testing {

class WindowWithDetector : public ::testing::Test {
  protected:
    static constexpr std::chrono::seconds kDeadline{5};

    void SetUp() override { ASSERT_FALSE(folder_.Path().empty()); }

    void TearDown() override {
        if (dlg_) {
            dlg_->AttachHost(nullptr);
        }
        dlg_.reset();  // releases the port before the detector goes
        sim_.reset();
    }

    // Starts the detector with exactly these options.
    void StartDetectorWith(sim::SimOptions options) {
        sim_ = std::make_unique<sim::SimulatedDetector>(std::move(options));
        const sim::SimError error = sim_->Start();
        ASSERT_FALSE(error.Failed()) << error.message;
    }

    // The window after its set-up, with `portName` in the selector (none
    // when empty).
    void OpenWindowOn(const std::string& portName) {
        dlg_ = std::make_unique<COrvaneDlg>(port_);
        dlg_->SetProgramFolder(folder_.Path() + "/");
        dlg_->AttachHost(&host_);
        ASSERT_TRUE(dlg_->OnInitDialog());
        if (!portName.empty()) {
            dlg_->SetText(idc::kComPort, portName);
        }
    }

    bool Click(int id) { return dlg_->Click(id); }
    std::string Status() const { return dlg_->GetText(idc::kStatusLine); }

    TempFolder folder_;
    ScopedEnv portFolder_{"KELM9D_PORT_DIR", folder_.Path()};  // no comN here: nothing probed
    std::unique_ptr<sim::SimulatedDetector> sim_;
    RecordingHost host_;
    std::unique_ptr<CDetectorPort> port_;
    std::unique_ptr<COrvaneDlg> dlg_;
};

}  // namespace kelm9d::testing
