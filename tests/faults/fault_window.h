// The main window on a blocking host against the simulated detector in this
// process, shaped for fault cases: the detector's behaviour is changed while
// the window runs, and the process's own resources (CPU time, descriptors,
// threads, memory) can be read to show that nothing spins or leaks.
#pragma once

#include <dirent.h>
#include <time.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/detector_port.h"
#include "params/parameter_block.h"
#include "sim/simulated_detector.h"
#include "tests/e2e/window_with_detector.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"
#include "ui/orvane_dlg.h"
#include "ui/window_texts.h"

namespace kelm9d::testing {

inline double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Entries of a /proc folder, "." and ".." not counted.
inline int CountEntries(const char* folder) {
    DIR* dir = ::opendir(folder);
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            ++count;
        }
    }
    ::closedir(dir);
    return count;
}

struct ProcessResources {
    int descriptors = 0;
    int threads = 0;
    long rssKiB = 0;

    static ProcessResources Now() {
        ProcessResources r;
        r.descriptors = CountEntries("/proc/self/fd") - 1;  // less the one that lists them
        r.threads = CountEntries("/proc/self/task");
        std::ifstream status("/proc/self/status");
        std::string field;
        while (status >> field) {
            if (field == "VmRSS:") {
                status >> r.rssKiB;
                break;
            }
        }
        return r;
    }
};

inline DetectorParams DecodedBlock(const ParameterBlock& block) {
    std::array<std::uint8_t, kParameterFrameMinBytes> frame{};
    std::copy(block.begin(), block.end(), frame.begin() + kParameterBlockFrameOffset);
    DetectorParams record;
    DecodeParameterBlock(frame, record);
    return record;
}

class FaultWindow : public WindowWithDetector {
  protected:
    // Unpaced unless the case needs the line rate.
    void StartDetector(sim::SimOptions options) {
        ASSERT_NO_FATAL_FAILURE(StartDetectorWith(std::move(options)));
    }

    void OpenWindow(const std::string& portName) {
        ASSERT_NO_FATAL_FAILURE(OpenWindowOn(portName));
    }

    // Detector and window; Start is the test's to click.
    void Prepare(sim::SimOptions options) {
        ASSERT_NO_FATAL_FAILURE(StartDetector(std::move(options)));
        ASSERT_NO_FATAL_FAILURE(OpenWindow(sim_->SlavePath()));
    }

    static sim::SimOptions Unpaced() {
        sim::SimOptions options;
        options.behaviour.pacing = false;
        return options;
    }

    void ChangeDetector(const std::function<void(sim::SimBehaviour&)>& change) {
        sim::SimBehaviour b = sim_->Behaviour();
        change(b);
        sim_->SetBehaviour(b);
    }

    std::vector<std::string> Messages() const { return MessageTexts(host_); }

    // The record the detector's working memory stands for.
    DetectorParams DetectorRecord() const { return DecodedBlock(sim_->WorkingMemory()); }

    std::uint64_t FramesReceived() const {
        const sim::SimCounters c = sim_->Counters();
        return c.framesReceived + c.framesIgnored;
    }
};

}  // namespace kelm9d::testing
