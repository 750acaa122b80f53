// The real programs: kelm9dmaster --batch against kelm9d-sim, each its own
// process, talking over a pseudo-terminal found through the port folder.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/child_process.h"
#include "tests/e2e/detector_block.h"
#include "tests/e2e/json_reader.h"
#include "tests/e2e/sim_log.h"
#include "tests/ui/window_harness.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Hex;
using testing::ProgramResult;
using testing::ReceivedFramesInLog;
using testing::RunningChild;
using testing::RunProgram;
using testing::TempFolder;

const std::string kMaster = KELM9D_MASTER_EXECUTABLE;
const std::string kSimulator = KELM9D_SIM_EXECUTABLE;

class BatchProgram : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(folder_.Path().empty()); }

    // kelm9d-sim as com3 of our port folder, holding the hand-made block.
    void StartSimulator(const std::vector<std::string>& extra = {}) {
        // As hex text, 16 bytes a line.
        std::ofstream block(folder_ / "block.hex");
        for (std::size_t i = 0; i < testing::kDetectorBlock.size(); i += 16) {
            block << Hex(Bytes(testing::kDetectorBlock.begin() + i,
                               testing::kDetectorBlock.begin() + i + 16))
                  << "\n";
        }
        block.close();
        std::vector<std::string> args = {
            "--link", folder_ / "com3", "--block",    folder_ / "block.hex",
            "--log",  LogPath(),        "--no-pacing"};
        args.insert(args.end(), extra.begin(), extra.end());
        sim_ = std::make_unique<RunningChild>(kSimulator, args, folder_ / "sim.err");
        ASSERT_TRUE(sim_->Started());
        ASSERT_TRUE(sim_->FirstLine(10s).has_value()) << "kelm9d-sim printed no port";
    }

    ProgramResult Master(const std::vector<std::string>& args,
                         const std::string& program = kMaster) {
        return RunProgram(program, args, {{"KELM9D_PORT_DIR", folder_.Path()}});
    }

    std::string LogPath() const { return folder_ / "sim.log"; }

    // The frames the simulator logged, once it has logged `count`.
    std::vector<Bytes> Received(std::size_t count) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        std::vector<Bytes> frames = ReceivedFramesInLog(LogPath());
        while (frames.size() < count && std::chrono::steady_clock::now() < end) {
            ::usleep(10000);  // the log is a file: look again until the deadline
            frames = ReceivedFramesInLog(LogPath());
        }
        return frames;
    }

    TempFolder folder_;
    std::unique_ptr<RunningChild> sim_;
};

TEST_F(BatchProgram, StartReadAndShowPrintTheDetectorsPanel) {
    ASSERT_NO_FATAL_FAILURE(StartSimulator());
    const ProgramResult result = Master({"--batch", "start", "read", "show"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "status: Read parameters is successful.\n"
              "status: Read parameters is successful.\n"
              "Product type: Unknown\n"
              "Trigger: PREP\n"
              "Time Span: 2500 ms\n"
              "VT: 4.80 V\n"
              "FGA: 3 ms\n"
              "Frame Delay1: 300\n"
              "Frame Delay2: 40\n"
              "Row Delay1: 7\n"
              "Inner Delay: 750 ms\n"
              "Set Delay: 750 ms\n"
              "EXP Window: 30000 ms\n"
              "Integrate: 250 \u03bcs\n"
              "Acquire Delay: 1200 ms\n"
              "Clear Time: 1600 ms\n"
              "Inner refresh time: 4000 ms\n"
              "Row Delay2: 9\n"
              "status: Read parameters is successful.\n");
    EXPECT_EQ(Received(2), (std::vector<Bytes>{testing::kReadFrame, testing::kReadFrame}));
    EXPECT_EQ(sim_->Finish(), 0);
}

// The one test that waits out the full 5.6 s acknowledgement deadline.
TEST_F(BatchProgram, WriteRomWithoutAnAcknowledgementFailsAtItsDeadline) {
    ASSERT_NO_FATAL_FAILURE(StartSimulator({"--no-rom-ack"}));
    const ProgramResult result = Master({"--batch", "start", "write-rom"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out,
              "status: Read parameters is successful.\n"
              "status: Write ROM parameters failed.\n");
    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(Hex(frames[1]), Hex(testing::RomFrameOf(testing::kWriteAfterStart)));
}

// The parameter file is looked for beside the program itself, under the
// panel format chosen.
TEST_F(BatchProgram, ReadFileReadsTheFileBesideTheProgramForTheChosenFormat) {
    const std::filesystem::path bin = folder_ / "bin";
    std::filesystem::create_directories(bin / "res");
    std::filesystem::copy_file(kMaster, bin / "kelm9dmaster");
    std::filesystem::permissions(bin / "kelm9dmaster", std::filesystem::perms::owner_all);
    std::ofstream(bin / "res/orvane_1717.ini") << "[CONFIG_PARAMETER]\nTIME_SPAN=1717\n";
    std::ofstream(bin / "res/orvane_1417.ini") << "[CONFIG_PARAMETER]\nTIME_SPAN=1417\nVT=3.3\n";
    ASSERT_NO_FATAL_FAILURE(StartSimulator());

    const ProgramResult result =
        Master({"--batch", "--format", "1417", "start", "read-file", "show"}, bin / "kelm9dmaster");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("status: Read file parameters is successful.\n"), std::string::npos);
    EXPECT_NE(result.out.find("Time Span: 1417 ms\nVT: 3.3 V\n"), std::string::npos) << result.out;
}

TEST_F(BatchProgram, TheCommandLineOfTheProgram) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // what standard output starts with
        std::string err;  // what standard error starts with
    } cases[] = {
        {{"--help"}, 0, "usage: kelm9dmaster ", ""},
        {{"--batch", "--bogus"}, 2, "", "kelm9dmaster: unknown option: --bogus\n"},
        {{"--batch", "write"}, 2, "", "write: the button is disabled\n"},
        {{"--batch", "--port", "/dev/kelm9d-no-such-device", "start"},
         1,
         "status: \nmessage: Detector Connection failed! /dev/kelm9d-no-such-device: no such "
         "device\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ProgramResult result = Master(c.args);
        EXPECT_EQ(result.exitStatus, c.status);
        EXPECT_EQ(result.out.substr(0, c.out.size()), c.out);
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
    }
}

TEST_F(BatchProgram, APortThatAnotherProgramHoldsIsNotListedAndCannotBeStarted) {
    testing::Pty pty;
    ASSERT_TRUE(pty.Ok());
    const testing::PortHold otherProgram(pty.SlavePath());
    ASSERT_TRUE(otherProgram.Locked());
    ASSERT_EQ(::symlink(pty.SlavePath().c_str(), (folder_ / "com1").c_str()), 0);

    const ProgramResult result = Master({"--batch", "--json", "start"});
    EXPECT_EQ(result.exitStatus, 1);
    std::string error;
    const std::optional<testing::JsonValue> report = testing::ParseJson(result.out, &error);
    ASSERT_TRUE(report) << error;
    // Nothing listed, so Start opens the empty name.
    const testing::JsonValue& ports = (*report)["controls"]["1001"];
    EXPECT_TRUE(ports["items"].elements.empty());
    EXPECT_EQ(ports["selected"].number, -1);
    EXPECT_EQ((*report)["messages"].Strings(),
              std::vector<std::string>{"Detector Connection failed!\nno such port"});

    const ProgramResult named = Master({"--batch", "--port", "com1", "start"});
    EXPECT_EQ(named.exitStatus, 1);
    EXPECT_EQ(named.out, "status: \nmessage: Detector Connection failed! com1 (" +
                             (folder_ / "com1") + "): in use by another program\n");
}

}  // namespace
}  // namespace kelm9d
