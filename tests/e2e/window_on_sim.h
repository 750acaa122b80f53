// The main window on a blocking host, connected over a real pseudo-terminal
// to the simulated detector running in this process. The simulator's log
// tells which frames arrived, byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "link/detector_port.h"
#include "sim/simulated_detector.h"
#include "tests/e2e/detector_block.h"
#include "tests/e2e/sim_log.h"
#include "tests/e2e/window_with_detector.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"
#include "ui/orvane_dlg.h"

namespace kelm9d::testing {

class WindowOnSimulator : public WindowWithDetector {
  protected:
    // The detector answers at once, not at the line rate, so that no test
    // depends on how fast anything runs; it holds kDetectorBlock unless told
    // otherwise.
    void StartDetector(sim::SimOptions options = {}) {
        options.behaviour.pacing = false;
        options.logFile = LogPath();
        if (!options.initialBlock) {
            options.initialBlock = kDetectorBlock;
        }
        ASSERT_NO_FATAL_FAILURE(StartDetectorWith(std::move(options)));
    }

    // The window after its set-up, with the detector's port in the selector.
    void OpenWindow() { ASSERT_NO_FATAL_FAILURE(OpenWindowOn(sim_ ? sim_->SlavePath() : "")); }

    // Detector, window and a successful Start.
    void Connect(sim::SimOptions options = {}) {
        ASSERT_NO_FATAL_FAILURE(StartDetector(std::move(options)));
        ASSERT_NO_FATAL_FAILURE(OpenWindow());
        ASSERT_TRUE(Click(idc::kStart));
        ASSERT_NE(port_, nullptr);
        ASSERT_TRUE(MessageTexts(host_).empty()) << MessageTexts(host_).front();
    }

    std::string Text(int id) const { return dlg_->GetText(id); }
    int Check(int id) const { return dlg_->GetCheck(id); }
    int Selection(int id) const { return dlg_->GetSelection(id); }

    std::string LogPath() const { return folder_ / "sim.log"; }

    // Waits until the detector has taken in `count` frames in all, then
    // returns every frame it received.
    std::vector<Bytes> Received(std::uint64_t count) {
        const bool arrived = sim_->WaitFor(
            [&](const sim::SimCounters& c) { return c.framesReceived + c.framesIgnored >= count; },
            kDeadline);
        EXPECT_TRUE(arrived) << "the detector received fewer than " << count << " frames";
        return ReceivedFramesInLog(LogPath());
    }

    // The last wait the window asked its host for.
    RecordingHost::Wait LastWait() const {
        EXPECT_FALSE(host_.waits.empty());
        return host_.waits.empty() ? RecordingHost::Wait{} : host_.waits.back();
    }
};

}  // namespace kelm9d::testing
