// A bounded soak: Start, Read, Write and Stop over and over through the main
// window against an unpaced simulated detector. Every cycle opens the port,
// starts and ends a reader thread and closes the port again, so a leaked
// descriptor, thread or allocation grows with the count. The process's own
// counts are compared after a warm-up and after the run.
//
// KELM9D_SOAK_CYCLES sets the number of cycles (default 1000).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "tests/faults/fault_window.h"

namespace kelm9d::testing {
namespace {

using namespace idc;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Memory a run may take beyond the warm-up without counting as growth:
// allocator caches and the like, far below what 1000 leaked readers, ports or
// records would cost.
constexpr long kRssToleranceKiB = 4096;

// The detector answers at once, so the window's pacing sleeps are skipped;
// waits for answers stay as they are.
class UnpacedHost : public RecordingHost {
  public:
    void Sleep(std::chrono::milliseconds duration) override { sleeps.push_back(duration); }
};

int Cycles() {
    const char* text = std::getenv("KELM9D_SOAK_CYCLES");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 1000;
}

class Soak : public FaultWindow {
  protected:
    UnpacedHost unpaced_;
};

TEST_F(Soak, StartReadWriteStopCyclesLeaveNoDescriptorThreadOrMemoryBehind) {
    ASSERT_NO_FATAL_FAILURE(StartDetector(Unpaced()));
    dlg_ = std::make_unique<COrvaneDlg>(port_);
    dlg_->SetProgramFolder(folder_.Path() + "/");
    dlg_->AttachHost(&unpaced_);
    ASSERT_TRUE(dlg_->OnInitDialog());
    dlg_->SetText(kComPort, sim_->SlavePath());

    auto cycle = [&](int n) {
        ASSERT_TRUE(Click(kStart)) << "cycle " << n;
        ASSERT_NE(port_, nullptr) << "cycle " << n;
        ASSERT_EQ(Status(), text::kReadSucceeded) << "cycle " << n;
        ASSERT_TRUE(Click(kRead)) << "cycle " << n;
        ASSERT_EQ(Status(), text::kReadSucceeded) << "cycle " << n;
        ASSERT_TRUE(Click(kWrite)) << "cycle " << n;
        ASSERT_EQ(Status(), text::kWriteSucceeded) << "cycle " << n;
        ASSERT_TRUE(Click(kStop)) << "cycle " << n;
        ASSERT_EQ(port_, nullptr) << "cycle " << n;
        ASSERT_TRUE(unpaced_.MessageBoxes().empty())
            << "cycle " << n << ": " << unpaced_.MessageBoxes().front().text;
        unpaced_.ClearRecord();
    };

    constexpr int kWarmUp = 20;
    for (int n = 0; n < kWarmUp; ++n) {
        ASSERT_NO_FATAL_FAILURE(cycle(n));
    }
    const ProcessResources before = ProcessResources::Now();
    const int cycles = Cycles();
    const auto started = std::chrono::steady_clock::now();
    for (int n = 0; n < cycles; ++n) {
        ASSERT_NO_FATAL_FAILURE(cycle(kWarmUp + n));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const ProcessResources after = ProcessResources::Now();

    EXPECT_EQ(after.descriptors, before.descriptors);
    EXPECT_EQ(after.threads, before.threads);
    if (!kSanitized) {
        // Sanitizer runtimes hold freed memory back on purpose; there the
        // leak checker at exit stands in for this.
        EXPECT_LE(after.rssKiB - before.rssKiB, kRssToleranceKiB);
    }
    std::cout << "[ figure ] soak: " << cycles << " Start/Read/Write/Stop cycles in " << seconds
              << " s; descriptors " << before.descriptors << " -> " << after.descriptors
              << ", threads " << before.threads << " -> " << after.threads << ", VmRSS "
              << before.rssKiB << " -> " << after.rssKiB << " KiB"
              << (kSanitized ? " (sanitized build: not compared)" : "") << "\n";
    EXPECT_GT(sim_->Counters().framesReceived, static_cast<std::uint64_t>(3 * cycles));
}

}  // namespace
}  // namespace kelm9d::testing
