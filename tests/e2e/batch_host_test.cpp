// The batch command line and its report, run in this process against the
// simulated detector: usage errors, disabled buttons, the exit status and
// the JSON lines.
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/orvane_app.h"
#include "batch/batch_host.h"
#include "sim/simulated_detector.h"
#include "tests/e2e/detector_block.h"
#include "tests/e2e/json_reader.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"
#include "ui/main_dialog_template.h"

namespace kelm9d {
namespace {

using testing::JsonValue;
using testing::ParseJson;
using testing::ScopedEnv;
using testing::TempFolder;

struct BatchOutcome {
    int status = -1;
    std::string out;
    std::string err;
    bool windowRan = false;
};

// A port folder of its own, optionally with a simulated detector as com4.
class BatchRun : public ::testing::Test {
  protected:
    void StartDetector(bool silent = false) {
        sim::SimOptions options;
        options.initialBlock = testing::kDetectorBlock;
        options.behaviour.pacing = false;
        options.behaviour.silent = silent;
        options.behaviour.temperatureHundredths = 2345;
        options.linkPath = folder_ / "com4";
        sim_ = std::make_unique<sim::SimulatedDetector>(options);
        const sim::SimError error = sim_->Start();
        ASSERT_FALSE(error.Failed()) << error.message;
    }

    BatchOutcome Run(std::vector<std::string> args) {
        BatchOutcome outcome;
        std::ostringstream out;
        std::ostringstream err;
        args.insert(args.begin(), "--batch");
        outcome.status = RunBatchCommandLine(
            [&](DialogHost& host) {
                outcome.windowRan = true;
                COrvaneApp app;
                app.InitApplication(host);
            },
            args, out, err);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    TempFolder folder_;
    ScopedEnv portFolder_{"KELM9D_PORT_DIR", folder_.Path()};
    std::unique_ptr<sim::SimulatedDetector> sim_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(BatchRun, UsageErrorsExitWith2AndNeverOpenTheWindow) {
    const struct {
        std::vector<std::string> args;  // after --batch
        const char* reason;
    } cases[] = {
        {{"jump"}, "unknown command: jump"},
        {{"--bogus", "start"}, "unknown option: --bogus"},
        {{"start", "--port"}, "--port needs a value"},
        {{"--format"}, "--format needs a value"},
        {{"--format", "1818", "start"}, "unknown panel format: 1818"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const BatchOutcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_FALSE(outcome.windowRan);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err.rfind(std::string("kelm9dmaster: ") + c.reason + "\n", 0), 0U)
            << outcome.err;
        EXPECT_NE(outcome.err.find("usage: kelm9dmaster --batch"), std::string::npos);
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunBatchCommandLine([](DialogHost&) {}, {"start"}, out, err), 2);
    EXPECT_NE(err.str().find("--batch is missing"), std::string::npos);
}

// A command whose button is disabled ends the run there, with status 2; the
// commands before it have reported, the ones after it never run.
TEST_F(BatchRun, ACommandOnADisabledButtonStopsTheRunWith2) {
    for (const char* command :
         {"write", "write-rom", "read", "stop", "reset", "temperature", "version", "read-file"}) {
        SCOPED_TRACE(command);
        const BatchOutcome outcome = Run({command});
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.err, std::string(command) + ": the button is disabled\n");
        EXPECT_EQ(outcome.out, "");
    }

    ASSERT_NO_FATAL_FAILURE(StartDetector());
    const BatchOutcome twice = Run({"start", "start", "read"});
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err, "start: the button is disabled\n");
    EXPECT_EQ(twice.out, "status: Read parameters is successful.\n");
    EXPECT_EQ(sim_->Counters().framesReceived, 1U);  // the read after it never ran
}

TEST_F(BatchRun, TheExitStatusIs1WhenAStatusEndsInFailureOrAMessageBoxCameUp) {
    ASSERT_NO_FATAL_FAILURE(StartDetector());
    BatchOutcome outcome =
        Run({"start", "read", "temperature", "version", "write", "reset", "stop"});
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_EQ(outcome.err, "");

    // A box: the port cannot be opened. Its line break becomes a blank.
    outcome = Run({"--port", "/dev/kelm9d-no-such-device", "start"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out,
              "status: \n"
              "message: Detector Connection failed! /dev/kelm9d-no-such-device: no such device\n");
    // Failure first, then a disabled button: the usage status wins.
    EXPECT_EQ(Run({"--port", "/dev/kelm9d-no-such-device", "start", "read"}).status, 2);

    sim_.reset();
    ASSERT_NO_FATAL_FAILURE(StartDetector(true));
    outcome = Run({"start"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "status: Read parameters failed.\n");
    // A failure stays counted when later commands succeed.
    EXPECT_EQ(Run({"start", "read-file"}).status, 1);
    // The refusal to write is a box and a failed status.
    outcome = Run({"start", "read-file", "stop", "start", "write"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(Lines(outcome.out).back(),
              "message: Read parameters from the detector before writing.");
}

TEST_F(BatchRun, JsonGivesOneObjectPerCommandWithEveryControlOfTheWindow) {
    ASSERT_NO_FATAL_FAILURE(StartDetector());
    const std::vector<std::string> commands = {"start",       "show",    "read",
                                               "temperature", "version", "stop"};
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), commands.begin(), commands.end());
    const BatchOutcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 0);
    ASSERT_FALSE(outcome.out.empty());
    EXPECT_EQ(outcome.out.back(), '\n');

    std::set<std::string> ids;
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
        if (control.id != kNoId) {
            ids.insert(std::to_string(control.id));
        }
    }
    const std::vector<std::string> lines = Lines(outcome.out);
    ASSERT_EQ(lines.size(), commands.size());
    std::vector<JsonValue> reports;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].substr(0, 80));
        std::string error;
        const std::optional<JsonValue> report = ParseJson(lines[i], &error);
        ASSERT_TRUE(report) << error;
        ASSERT_TRUE(report->IsObject());
        EXPECT_EQ((*report)["command"].string, commands[i]);
        EXPECT_TRUE((*report)["messages"].elements.empty());
        const JsonValue& controls = (*report)["controls"];
        ASSERT_TRUE(controls.IsObject());
        EXPECT_EQ(std::set<std::string>(controls.keys.begin(), controls.keys.end()), ids);
        EXPECT_EQ(controls.keys.size(), ids.size());  // each once
        reports.push_back(*report);
    }

    const JsonValue& started = reports[0]["controls"];
    EXPECT_EQ(reports[0]["status"].string, "Read parameters is successful.");
    EXPECT_EQ(started["1015"]["text"].string, "1800");
    EXPECT_EQ(started["1001"]["items"].Strings(), std::vector<std::string>{"com4"});
    EXPECT_EQ(started["1001"]["selected"].number, 0);
    EXPECT_EQ(started["1030"]["text"].string, "Inner");
    EXPECT_EQ(started["1030"]["selected"].number, 1);
    EXPECT_EQ(started["1030"]["items"].Strings(),
              (std::vector<std::string>{"Outer", "Inner", "Software", "PREP"}));
    EXPECT_EQ(started["1053"]["checked"].number, 1);
    EXPECT_FALSE(started["1066"]["enabled"].boolean);
    EXPECT_TRUE(started["1068"]["enabled"].boolean);
    EXPECT_TRUE(started["1015"]["visible"].boolean);
    EXPECT_FALSE(started["1065"]["visible"].boolean);  // the hidden serial number box
    EXPECT_EQ(started["1065"]["text"].string, testing::kDetectorSerial);

    EXPECT_EQ(reports[2]["controls"]["1016"]["text"].string, "4.80");
    EXPECT_EQ(reports[3]["controls"]["1039"]["text"].string, "23.5");
    EXPECT_EQ(reports[3]["status"].string, "Query Temperature ...");
    EXPECT_EQ(reports[4]["controls"]["1044"]["text"].string, "1.2.5");
    EXPECT_EQ(reports[5]["status"].string, "");
    EXPECT_TRUE(reports[5]["controls"]["1066"]["enabled"].boolean);
}

TEST_F(BatchRun, JsonCarriesMessageBoxTextsWithTheirLineBreaks) {
    const BatchOutcome outcome = Run({"--json", "--port", "/dev/kelm9d-no-such-device", "start"});
    EXPECT_EQ(outcome.status, 1);
    const std::vector<std::string> lines = Lines(outcome.out);
    ASSERT_EQ(lines.size(), 1U);
    std::string error;
    const std::optional<JsonValue> report = ParseJson(lines[0], &error);
    ASSERT_TRUE(report) << error;
    EXPECT_EQ((*report)["messages"].Strings(),
              std::vector<std::string>{
                  "Detector Connection failed!\n/dev/kelm9d-no-such-device: no such device"});
    EXPECT_TRUE((*report)["controls"]["1001"]["items"].elements.empty());
}

}  // namespace
}  // namespace kelm9d
