// The fault matrix: the main window against a simulated detector that
// misbehaves in one way at a time. Each case shows what the operator sees,
// that nothing wrong reaches the record or the line, and that the window
// recovers once the detector behaves again.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <iostream>
#include <thread>
#include <vector>

#include "tests/faults/fault_window.h"

namespace kelm9d::testing {
namespace {

using namespace std::chrono_literals;
using namespace idc;

// Copies the record over and over from another thread while the window
// works, and keeps every copy that is none of the allowed records: a torn
// record, or one decoded from a broken answer, shows up here.
class RecordWatch {
  public:
    RecordWatch(CDetectorPort& port, std::vector<DetectorParams> allowed)
        : port_(port), allowed_(std::move(allowed)), thread_([this] { Run(); }) {}
    ~RecordWatch() { Stop(); }

    // Stops watching; returns the number of copies that were none of the allowed.
    int Stop() {
        running_ = false;
        if (thread_.joinable()) {
            thread_.join();
        }
        return strangers_;
    }
    int copies() const { return copies_; }

  private:
    void Run() {
        while (running_) {
            const DetectorParams copy = port_.CopyParams();
            ++copies_;
            if (std::find(allowed_.begin(), allowed_.end(), copy) == allowed_.end()) {
                ++strangers_;
            }
            std::this_thread::yield();
        }
    }

    CDetectorPort& port_;
    const std::vector<DetectorParams> allowed_;
    std::atomic<bool> running_{true};
    int copies_ = 0;
    int strangers_ = 0;
    std::thread thread_;
};

class FaultMatrix : public FaultWindow {
  protected:
    // Once the detector behaves again every command works, and the answers
    // of a write and a read that follow each other all arrive: an awaited
    // query left over from the fault must not swallow any of them.
    void ExpectRecovered() {
        ASSERT_NE(port_, nullptr);
        ASSERT_TRUE(Click(kRead));
        EXPECT_EQ(Status(), text::kReadSucceeded);
        EXPECT_EQ(port_->CopyParams(), DetectorRecord());
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(Click(kWrite));
            EXPECT_EQ(Status(), text::kWriteSucceeded) << "round " << round;
            ASSERT_TRUE(Click(kRead));
            EXPECT_EQ(Status(), text::kReadSucceeded) << "round " << round;
            EXPECT_EQ(port_->CopyParams(), DetectorRecord()) << "round " << round;
        }
        ASSERT_TRUE(Click(kQueryTemperature));
        EXPECT_EQ(Status(), text::kQueryTemperature) << "the query was answered";
        EXPECT_EQ(dlg_->GetText(kTemperature), "31.3");
        ASSERT_TRUE(Click(kQueryReadBoardVersion));
        EXPECT_EQ(Status(), text::kQueryReadBoardVersion) << "the query was answered";
        EXPECT_EQ(dlg_->GetText(kProcessor2), "1.2.5");
        EXPECT_TRUE(Messages().empty()) << Messages().front();
    }

    // Nothing reaches the detector within a short look.
    void ExpectNothingSentAfter(std::uint64_t frames) {
        EXPECT_FALSE(sim_->WaitFor(
            [&](const sim::SimCounters& c) { return c.framesReceived + c.framesIgnored > frames; },
            200ms));
    }
};

TEST_F(FaultMatrix, SilentDetectorEveryWaitFailsNothingIsWrittenAndTheWindowRecovers) {
    sim::SimOptions options = Unpaced();
    options.behaviour.silent = true;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));

    ASSERT_TRUE(Click(kStart));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Status(), text::kReadFailed);
    ASSERT_NE(port_, nullptr) << "a silent detector is still connected";
    EXPECT_EQ(port_->ParameterAnswerCount(), 0U);
    EXPECT_EQ(port_->CopyParams(), DetectorParams{});
    ExpectEnablingOfState(*dlg_, true);

    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), text::kQueryTemperatureFailed);
    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    EXPECT_EQ(Status(), text::kQueryReadBoardVersionFailed);

    // With no parameter set both writes are refused before anything is sent.
    const std::uint64_t frames = FramesReceived();
    ASSERT_TRUE(Click(kWrite));
    EXPECT_EQ(Status(), text::kWriteFailed);
    ASSERT_TRUE(Click(kWriteRom));
    EXPECT_EQ(Status(), text::kWriteRomFailed);
    EXPECT_EQ(Messages(), std::vector<std::string>(2, text::kReadBeforeWriting));
    ExpectNothingSentAfter(frames);
    host_.ClearRecord();

    ChangeDetector([](sim::SimBehaviour& b) { b.silent = false; });
    ExpectRecovered();
    ASSERT_TRUE(Click(kStop));
    EXPECT_EQ(port_, nullptr);
}

TEST_F(FaultMatrix, NoiseBetweenAnswersLosesNoneOfThem) {
    sim::SimOptions options = Unpaced();
    options.behaviour.noise = true;
    options.seed = 7;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));
    ASSERT_TRUE(Click(kStart));
    EXPECT_EQ(Status(), text::kReadSucceeded);
    ASSERT_NE(port_, nullptr);
    RecordWatch watch(*port_, {DetectorRecord()});
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(Click(kRead));
        EXPECT_EQ(Status(), text::kReadSucceeded) << "round " << round;
        ASSERT_TRUE(Click(kQueryTemperature));
        EXPECT_EQ(Status(), text::kQueryTemperature) << "round " << round;
        ASSERT_TRUE(Click(kQueryReadBoardVersion));
        EXPECT_EQ(Status(), text::kQueryReadBoardVersion) << "round " << round;
    }
    EXPECT_EQ(port_->ParameterAnswerCount(), 1U + kRounds);
    EXPECT_EQ(watch.Stop(), 0) << "records other than the detector's were seen";
    EXPECT_GT(watch.copies(), 0);
    ExpectRecovered();
}

TEST_F(FaultMatrix, BadTrailersAreDroppedWithoutTouchingRecordOrStatusValues) {
    sim::SimOptions options = Unpaced();
    options.behaviour.badTrailer = true;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));
    ASSERT_TRUE(Click(kStart));
    EXPECT_EQ(Status(), text::kReadFailed);
    ASSERT_NE(port_, nullptr);
    EXPECT_EQ(port_->ParameterAnswerCount(), 0U);
    EXPECT_EQ(port_->CopyParams(), DetectorParams{});
    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), text::kQueryTemperatureFailed);
    EXPECT_EQ(port_->temperature.load(), 0.0F);
    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    EXPECT_EQ(Status(), text::kQueryReadBoardVersionFailed);
    EXPECT_EQ(port_->readBoardVersionValue(), ReadBoardVersion{});

    ChangeDetector([](sim::SimBehaviour& b) { b.badTrailer = false; });
    ExpectRecovered();
}

TEST_F(FaultMatrix, AShortLongAnswerBeforeEachParameterAnswerIsNeverDecoded) {
    sim::SimOptions options = Unpaced();
    options.behaviour.shortAnswer = true;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));
    ASSERT_TRUE(Click(kStart));
    EXPECT_EQ(Status(), text::kReadSucceeded);
    ASSERT_NE(port_, nullptr);
    EXPECT_EQ(port_->ParameterAnswerCount(), 1U) << "the 16-byte answer counted as a parameter set";
    EXPECT_EQ(port_->CopyParams(), DetectorRecord());

    // Write changes the detector's memory, so the short answer to the next
    // read carries new bytes in front of stale ones: decoding it would show
    // a record that is neither the old one nor the new one.
    const DetectorParams before = DetectorRecord();
    ASSERT_TRUE(Click(kWrite));
    EXPECT_EQ(Status(), text::kWriteSucceeded);
    const DetectorParams after = DetectorRecord();
    ASSERT_NE(before, after);
    RecordWatch watch(*port_, {before, after, port_->CopyParams()});
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), text::kReadSucceeded);
    EXPECT_EQ(port_->CopyParams(), after);
    EXPECT_EQ(watch.Stop(), 0) << "a record mixed from two answers was seen";
    EXPECT_EQ(port_->ParameterAnswerCount(), 2U);
}

struct RomAckCase {
    const char* name;
    bool romAck;
    std::chrono::milliseconds ackDelay;
    bool acknowledgedInTime;
};

class RomAckFault : public FaultMatrix, public ::testing::WithParamInterface<RomAckCase> {};

TEST_P(RomAckFault, WriteRomSaysWhetherTheAckCameInTimeAndLaterAnswersAllArrive) {
    const RomAckCase& c = GetParam();
    sim::SimOptions options = Unpaced();
    options.behaviour.romAck = c.romAck;
    options.behaviour.ackDelay = c.ackDelay;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));
    ASSERT_TRUE(Click(kStart));
    ASSERT_EQ(Status(), text::kReadSucceeded);
    host_.ClearRecord();

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(Click(kWriteRom));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(Status(), c.acknowledgedInTime ? text::kWriteRomSucceeded : text::kWriteRomFailed);
    EXPECT_EQ(sim_->Counters().romWrites, 1U) << "the ROM frame reached the detector";
    std::cout << "[ figure ] Write(ROM), " << c.name << ": "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
              << " ms until the window said so\n";
    ASSERT_FALSE(host_.waits.empty());
    EXPECT_EQ(host_.waits.back().timeout, COrvaneDlg::kWriteRomAckWait);
    EXPECT_EQ(host_.waits.back().held, c.acknowledgedInTime);

    if (c.romAck && !c.acknowledgedInTime) {
        // The acknowledgement arrives after the window gave up on it.
        const std::uint64_t sent = sim_->Counters().answersSent;
        ASSERT_TRUE(sim_->WaitFor(
            [&](const sim::SimCounters& counters) { return counters.answersSent > sent; },
            c.ackDelay + kDeadline));
    }
    host_.ClearRecord();
    ExpectRecovered();
}

INSTANTIATE_TEST_SUITE_P(Faults, RomAckFault,
                         ::testing::Values(RomAckCase{"SlowButInTime", true, 2000ms, true},
                                           RomAckCase{"Missing", false, 0ms, false},
                                           RomAckCase{"Late", true, 6000ms, false}),
                         [](const ::testing::TestParamInfo<RomAckCase>& param) {
                             return std::string(param.param.name);
                         });

struct HangUpCase {
    std::uint64_t afterBytes;  // of what the detector sends
    bool firstReadArrives;
};

class HangUpFault : public FaultMatrix, public ::testing::WithParamInterface<HangUpCase> {};

TEST_P(HangUpFault, AdapterUnpluggedMidAnswerEndsReadsWithoutSpinningAndEveryEndWorks) {
    const HangUpCase& c = GetParam();
    sim::SimOptions options = Unpaced();
    options.hangupAfterBytes = c.afterBytes;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));

    ASSERT_TRUE(Click(kStart));
    ASSERT_NE(port_, nullptr);
    if (c.firstReadArrives) {
        EXPECT_EQ(Status(), text::kReadSucceeded);
        ASSERT_TRUE(
            sim_->WaitFor([](const sim::SimCounters& s) { return s.answersSent == 1; }, kDeadline));
        ASSERT_TRUE(Click(kRead));  // its answer is cut
    }
    EXPECT_EQ(Status(), text::kReadFailed);
    EXPECT_EQ(port_->ParameterAnswerCount(), c.firstReadArrives ? 1U : 0U);
    EXPECT_EQ(port_->CopyParams(), c.firstReadArrives ? DetectorRecord() : DetectorParams{})
        << "the record is the last whole block";
    ASSERT_TRUE(port_->WaitFor([&] { return port_->ReadFailed(); }, kDeadline))
        << "the reader never noticed the hang-up";
    EXPECT_TRUE(sim_->Counters().hungUp);

    // A spinning reader would burn a whole core over this window.
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(300ms);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.1) << "CPU seconds used in 300 ms after the hang-up";
    std::cout << "[ figure ] hang-up after " << c.afterBytes << " bytes: " << cpu * 1000
              << " ms CPU in a 300 ms window\n";

    // Refused when no block ever arrived; else the write itself fails on the dead line.
    const auto writeStarted = std::chrono::steady_clock::now();
    ASSERT_TRUE(Click(kWrite));
    const auto writeTook = std::chrono::steady_clock::now() - writeStarted;
    EXPECT_EQ(Status(), text::kWriteFailed);
    EXPECT_EQ(Messages().size(), c.firstReadArrives ? 0U : 1U);
    std::cout
        << "[ figure ] hang-up after " << c.afterBytes << " bytes: Write failed after "
        << std::chrono::duration<double, std::milli>(writeTook - COrvaneDlg::kWritePause).count()
        << " ms (less its 500 ms pause)\n";
    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), text::kQueryTemperatureFailed);

    ASSERT_TRUE(Click(kStop));
    EXPECT_EQ(port_, nullptr);
    ExpectEnablingOfState(*dlg_, false);
    // The device is gone: a new Start is refused and says so.
    host_.ClearRecord();
    ASSERT_TRUE(Click(kStart));
    EXPECT_EQ(port_, nullptr);
    ASSERT_EQ(Messages().size(), 1U);
    EXPECT_EQ(Messages()[0].rfind(std::string(text::kConnectionFailed) + "\n", 0), 0U)
        << "no reason on the line after: " << Messages()[0];
    EXPECT_GT(Messages()[0].size(), std::string(text::kConnectionFailed).size() + 1);
    ASSERT_TRUE(Click(kExit));
    EXPECT_TRUE(dlg_->IsEnded());
}

INSTANTIATE_TEST_SUITE_P(Faults, HangUpFault,
                         ::testing::Values(HangUpCase{2, false},         // in the header
                                           HangUpCase{70, false},        // in the first block
                                           HangUpCase{133 + 70, true}),  // in a later block
                         [](const ::testing::TestParamInfo<HangUpCase>& param) {
                             return "After" + std::to_string(param.param.afterBytes) + "Bytes";
                         });

TEST_F(FaultMatrix, APortHeldByAnotherProgramIsRefusedWithTheReasonAndNothingIsSent) {
    ASSERT_NO_FATAL_FAILURE(Prepare(Unpaced()));
    const std::string expected = std::string(text::kConnectionFailed) + "\n" + sim_->SlavePath() +
                                 ": in use by another program";
    {
        // Another program's descriptor with an exclusive lock on it.
        PortHold other(sim_->SlavePath());
        ASSERT_TRUE(other.Locked());
        ASSERT_TRUE(Click(kStart));
        EXPECT_EQ(port_, nullptr);
        EXPECT_EQ(Messages(), std::vector<std::string>{expected});
    }
    host_.ClearRecord();
    {
        // Another instance of this program: the tty opened for exclusive use.
        CDetectorPort other;
        ASSERT_TRUE(other.Open(sim_->SlavePath()));
        ASSERT_TRUE(Click(kStart));
        EXPECT_EQ(port_, nullptr);
        EXPECT_EQ(Messages(), std::vector<std::string>{expected});
    }
    ExpectEnablingOfState(*dlg_, false);
    ExpectNothingSentAfter(0);

    host_.ClearRecord();
    ASSERT_TRUE(Click(kStart)) << "once released the port can be started";
    EXPECT_EQ(Status(), text::kReadSucceeded);
    EXPECT_TRUE(Messages().empty());
}

// Stop while the detector keeps the line busy: its inner-delay answers come
// back to back at the line rate. Stop returns once the reader has ended; the
// time it takes is a figure, the test only makes sure it returns.
TEST_F(FaultMatrix, StopReturnsWhileTheDetectorKeepsSending) {
    sim::SimOptions options;  // paced: 960 bytes a second, all of them used
    options.behaviour.innerDelayEvery = 1ms;
    ASSERT_NO_FATAL_FAILURE(Prepare(options));
    constexpr int kCycles = 10;
    std::vector<double> stopMs;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ASSERT_TRUE(Click(kStart));
        ASSERT_NE(port_, nullptr);
        const std::uint16_t innerDelay = sim_->Behaviour().innerDelay;
        ASSERT_TRUE(port_->WaitFor([&] { return port_->innerDelayMeasured.load() == innerDelay; },
                                   kDeadline));
        const auto started = std::chrono::steady_clock::now();
        auto stopped = std::async(std::launch::async, [&] { return Click(kStop); });
        ASSERT_EQ(stopped.wait_for(2s), std::future_status::ready) << "Stop did not return";
        EXPECT_TRUE(stopped.get());
        stopMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count());
        EXPECT_EQ(port_, nullptr);
    }
    std::sort(stopMs.begin(), stopMs.end());
    std::cout << "[ figure ] Stop while the detector sends: median " << stopMs[kCycles / 2]
              << " ms, max " << stopMs.back() << " ms over " << kCycles << " cycles\n";
}

}  // namespace
}  // namespace kelm9d::testing
