// The main window end to end: every command against the simulated detector
// over a real pseudo-terminal, checked by what the panel shows and by the
// exact bytes the detector received.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/detector_block.h"
#include "tests/e2e/window_on_sim.h"
#include "tests/ui/window_harness.h"
#include "ui/control_ids.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;
using namespace idc;
using testing::BlockOf;
using testing::Bytes;
using testing::ExpectEnablingOfState;
using testing::ExpectSameControls;
using testing::Hex;
using testing::kDetectorBlock;
using testing::kDetectorSerial;
using testing::kReadBoardVersionQueryFrame;
using testing::kReadFrame;
using testing::kResetFrame;
using testing::kTemperatureQueryFrame;
using testing::kWriteAfterStart;
using testing::MessageTexts;
using testing::PortIsFree;
using testing::RomFrameOf;
using testing::ToBytes;
using testing::XorOfBlock;

constexpr const char* kReadBeforeWriting = "Read parameters from the detector before writing.";

struct BoxText {
    int id;
    const char* text;
};
struct BoxCheck {
    int id;
    int check;
};

// The boxes the factory profile fills, with its texts.
constexpr BoxText kFactoryProfile[] = {
    {kTimeSpan, "1800"},
    {kVt, "1.68"},
    {kPga, "6"},
    {kFrameDelay1, "0"},
    {kFrameDelay2, "0"},
    {kRowDelay1, "5"},
    {kRowDelay2, "5"},
    {kSetDelay, "1000"},
    {kExpWindow, "28000"},
    {kIntegrate, "100"},
    {kAcquireDelay, "1500"},
    {kClearTime, "1500"},
    {kInnerRefreshTime, "2000"},
    {kProductType, "Kelm9d"},
    {kInnerDelay, "500"},
    {kProcessor1, "4.1.4"},
    {kDate, "2014-4-04"},
    {kTubeReadyTime, "800"},
};

using WindowE2e = testing::WindowOnSimulator;

void ExpectTexts(const Dialog& dlg, std::initializer_list<BoxText> boxes) {
    for (const BoxText& box : boxes) {
        EXPECT_EQ(dlg.GetText(box.id), box.text) << "box " << box.id;
    }
}
void ExpectChecks(const Dialog& dlg, std::initializer_list<BoxCheck> boxes) {
    for (const BoxCheck& box : boxes) {
        EXPECT_EQ(dlg.GetCheck(box.id), box.check) << "check box " << box.id;
    }
}

TEST(DetectorBlockTable, ItsCheckByteIsTheExclusiveOrOfTheBlock) {
    // Guards the hand-made table itself, not the program.
    EXPECT_EQ(kWriteAfterStart[131], XorOfBlock(ToBytes(kWriteAfterStart)));
}

// --- Start --------------------------------------------------------------------------------

TEST_F(WindowE2e, StartReadsThenShowsTheFactoryProfileAndEnablesTheCommands) {
    ASSERT_NO_FATAL_FAILURE(Connect());

    EXPECT_EQ(Received(1), std::vector<Bytes>{kReadFrame});
    EXPECT_EQ(Status(), "Read parameters is successful.");
    for (const BoxText& box : kFactoryProfile) {
        EXPECT_EQ(Text(box.id), box.text) << "box " << box.id;
    }
    EXPECT_EQ(Selection(kTrigger), 1);
    EXPECT_EQ(Text(kTrigger), "Inner");
    // The profile checks Low Valid and Auto Clear; High Valid keeps what the
    // detector's block showed, so both radio buttons are checked.
    ExpectChecks(*dlg_, {{kLowValid, 1}, {kAutoClear, 1}, {kHighValid, 1}});
    // What the profile leaves alone shows the detector's block.
    ExpectChecks(*dlg_, {{kSensorI, 1},
                         {kSensorII, 0},
                         {kSensorIII, 1},
                         {kSensorReset, 1},
                         {kGain0, 1},
                         {kGain1, 0},
                         {kGain2, 0},
                         {kGain3, 1},
                         {kBinning, 1}});
    ExpectTexts(*dlg_, {{kSerial, kDetectorSerial},
                        {kTemperature, "0.0"},
                        {kHumidity, "0.0"},
                        {kProcessor2, "0.0.0"}});
    EXPECT_EQ(dlg_->serialText, kDetectorSerial);
    EXPECT_EQ(dlg_->productTypeText, "Unknown");
    EXPECT_EQ(dlg_->dateYear, 23);
    EXPECT_EQ(dlg_->dateMonth, 11);
    EXPECT_EQ(dlg_->dateDay, 5);
    ExpectEnablingOfState(*dlg_, true);

    // The line settles for 50 ms; the answer ends its 500 ms wait.
    ASSERT_FALSE(host_.sleeps.empty());
    EXPECT_EQ(host_.sleeps.front(), 50ms);
    ASSERT_EQ(host_.waits.size(), 1U);
    EXPECT_EQ(host_.waits[0].timeout, 500ms);
    EXPECT_TRUE(host_.waits[0].held);
}

// --- Read ---------------------------------------------------------------------------------

TEST_F(WindowE2e, ReadShowsTheDetectorsOwnValuesThroughEveryConversion) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(Click(kRead));

    EXPECT_EQ(Received(2), (std::vector<Bytes>{kReadFrame, kReadFrame}));
    EXPECT_EQ(Status(), "Read parameters is successful.");
    EXPECT_EQ(LastWait().timeout, 500ms);
    EXPECT_TRUE(LastWait().held);
    ExpectTexts(*dlg_, {
                           {kProductType, "Unknown"},  // product code 12
                           {kTimeSpan, "2500"},
                           {kVt, "4.80"},  // code 1000
                           {kPga, "3"},
                           {kFrameDelay1, "300"},
                           {kFrameDelay2, "40"},
                           {kRowDelay1, "7"},
                           {kRowDelay2, "9"},
                           {kInnerDelay, "750"},  // nothing measured: the set delay
                           {kSetDelay, "750"},
                           {kExpWindow, "30000"},
                           {kIntegrate, "250"},
                           {kAcquireDelay, "1200"},
                           {kClearTime, "1600"},
                           {kInnerRefreshTime, "4000"},
                           {kDate, "2023-11-5"},
                           {kSerial, kDetectorSerial},
                           {kTemperature, "0.0"},
                           {kHumidity, "0.0"},
                           {kProcessor1, "3.2.9"},
                           {kProcessor2, "0.0.0"},
                           {kTubeReadyTime, "900"},
                       });
    EXPECT_EQ(Selection(kTrigger), 3);
    EXPECT_EQ(Text(kTrigger), "PREP");
    // signalFlags 0x00F2: bit 0 clear, bit 1 set, the high bits ignored.
    ExpectChecks(*dlg_, {{kAutoClear, 0}, {kLowValid, 0}, {kHighValid, 1}});
    ExpectChecks(*dlg_, {{kSensorI, 1},
                         {kSensorII, 0},
                         {kSensorIII, 1},
                         {kSensorReset, 1},
                         {kGain0, 1},
                         {kGain1, 0},
                         {kGain2, 0},
                         {kGain3, 1},
                         {kBinning, 1}});
    EXPECT_EQ(dlg_->productTypeText, "Unknown");
    ExpectEnablingOfState(*dlg_, true);
}

TEST_F(WindowE2e, ReadShowsAMeasuredInnerDelayInsteadOfTheSetDelay) {
    sim::SimOptions options;
    options.behaviour.innerDelayEvery = 20ms;
    options.behaviour.innerDelay = 250;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    ASSERT_TRUE(port_->WaitFor([&] { return port_->innerDelayMeasured.load() == 250; }, 5s));
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters is successful.");
    EXPECT_EQ(Text(kInnerDelay), "250");
    EXPECT_EQ(Text(kSetDelay), "750");
}

// Stray bytes, false headers and broken frames before every answer: each
// answer is still found and taken in.
TEST_F(WindowE2e, OnANoisyLineEveryAnswerIsStillTakenIn) {
    sim::SimOptions options;
    options.behaviour.noise = true;
    options.behaviour.temperatureHundredths = 2345;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    EXPECT_EQ(Status(), "Read parameters is successful.");
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters is successful.");
    ExpectTexts(*dlg_, {{kTimeSpan, "2500"}, {kVt, "4.80"}, {kSerial, kDetectorSerial}});
    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), "Query Temperature ...");
    EXPECT_EQ(Text(kTemperature), "23.5");
    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    EXPECT_EQ(Status(), "Query READ-board version ...");
    EXPECT_EQ(Text(kProcessor2), "1.2.5");
}

// --- Write and Write(ROM) -------------------------------------------------------------------

TEST_F(WindowE2e, WriteAfterStartSendsTheProfileAroundTheKeptValuesOfTheBlockRead) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    host_.ClearRecord();
    ASSERT_TRUE(Click(kWrite));

    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(Hex(frames[1]), Hex(ToBytes(kWriteAfterStart)));
    EXPECT_EQ(Status(), "Write parameters is successful.");
    EXPECT_TRUE(host_.MessageBoxes().empty());
    // The detector took the block: its check byte was right.
    EXPECT_EQ(Hex(ToBytes(sim_->WorkingMemory())), Hex(BlockOf(ToBytes(kWriteAfterStart))));
    // Pure pacing after a write; nothing is awaited.
    EXPECT_EQ(host_.sleeps, std::vector<std::chrono::milliseconds>{500ms});
    EXPECT_TRUE(host_.waits.empty());
}

TEST_F(WindowE2e, WriteRomSendsTheRomFrameAndSucceedsWhenTheAcknowledgementComes) {
    sim::SimOptions options;
    options.behaviour.burnTime = 20ms;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    host_.ClearRecord();
    ASSERT_TRUE(Click(kWriteRom));

    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(Hex(frames[1]), Hex(RomFrameOf(kWriteAfterStart)));
    EXPECT_EQ(Status(), "Write ROM parameters is successful.");
    EXPECT_EQ(Hex(ToBytes(sim_->Rom())), Hex(BlockOf(ToBytes(kWriteAfterStart))));
    // The acknowledgement ends the wait; 5.6 s is only its deadline.
    ASSERT_EQ(host_.waits.size(), 1U);
    EXPECT_EQ(host_.waits[0].timeout, 5600ms);
    EXPECT_TRUE(host_.waits[0].held);
    EXPECT_FALSE(port_->writeRomPending.load());
    EXPECT_EQ(port_->pendingQuery.load(), kNoQuery);
}

TEST_F(WindowE2e, WriteSendsBackTheSerialNumberReadUpToItsFirstZero) {
    sim::SimOptions options;
    options.initialBlock = kDetectorBlock;
    // Serial slots "AB", 0, "CD...": only "AB" is the serial number.
    const std::uint8_t serial[13] = {'A', 'B', 0, 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'};
    std::copy(std::begin(serial), std::end(serial), options.initialBlock->begin() + 114);
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    EXPECT_EQ(dlg_->serialText, "AB");
    EXPECT_EQ(Text(kSerial), "AB");

    ASSERT_TRUE(Click(kWrite));
    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    // Frame offsets 117 to 129.
    const Bytes sent(frames[1].begin() + 117, frames[1].begin() + 130);
    EXPECT_EQ(Hex(sent), "41 42 00 00 00 00 00 00 00 00 00 00 00");
}

// The line fails after Start (the adapter was pulled): neither write can go
// out, and both say so at once, without a box and without awaiting an
// acknowledgement that cannot come.
TEST_F(WindowE2e, WritesOnALineThatFailedReportTheirFailureAtOnce) {
    sim::SimOptions options;
    options.hangupAfterBytes = 133;  // the parameter answer, then the cable is gone
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    ASSERT_TRUE(sim_->WaitFor([](const sim::SimCounters& c) { return c.hungUp; }, 5s));
    host_.ClearRecord();

    ASSERT_TRUE(Click(kWrite));
    EXPECT_EQ(Status(), "Write parameters failed.");
    ASSERT_TRUE(Click(kWriteRom));
    EXPECT_EQ(Status(), "Write ROM parameters failed.");
    EXPECT_TRUE(host_.MessageBoxes().empty());
    EXPECT_TRUE(host_.waits.empty());
    EXPECT_FALSE(port_->writeRomPending.load());

    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters failed.");
}

// --- Queries and Reset -----------------------------------------------------------------------

TEST_F(WindowE2e, QueriesShowTheDetectorsTemperatureAndReadBoardVersion) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    const struct {
        std::uint8_t code;
        std::uint16_t hundredths;
        const char* text;
    } temperatures[] = {
        {0x0A, 2345, "23.5"},
        {0x02, 2549, "25.5"},  // the other answer code; 254.9 + 0.5 truncates to 255
        {0x0A, 3575, "35.8"},
        {0x0A, 0, "0.0"},
    };
    for (const auto& t : temperatures) {
        SCOPED_TRACE(t.text);
        sim::SimBehaviour behaviour = sim_->Behaviour();
        behaviour.temperatureCode = t.code;
        behaviour.temperatureHundredths = t.hundredths;
        sim_->SetBehaviour(behaviour);
        ASSERT_TRUE(Click(kQueryTemperature));
        EXPECT_EQ(Text(kTemperature), t.text);
        EXPECT_EQ(Status(), "Query Temperature ...");
        EXPECT_EQ(LastWait().timeout, 800ms);
        EXPECT_TRUE(LastWait().held);
        EXPECT_EQ(port_->pendingQuery.load(), kNoQuery);
    }
    const struct {
        sim::BoardVersion version;
        const char* text;
    } versions[] = {
        {{1, 2, 5}, "1.2.5"},
        {{0, 5, 25}, "0.5.25"},
        {{9, 0, 99}, "9.0.99"},
    };
    for (const auto& v : versions) {
        SCOPED_TRACE(v.text);
        sim::SimBehaviour behaviour = sim_->Behaviour();
        behaviour.version = v.version;
        sim_->SetBehaviour(behaviour);
        ASSERT_TRUE(Click(kQueryReadBoardVersion));
        EXPECT_EQ(Text(kProcessor2), v.text);
        EXPECT_EQ(Status(), "Query READ-board version ...");
        EXPECT_EQ(LastWait().timeout, 500ms);
        EXPECT_TRUE(LastWait().held);
    }

    std::vector<Bytes> expected = {kReadFrame};
    expected.insert(expected.end(), std::size(temperatures), kTemperatureQueryFrame);
    expected.insert(expected.end(), std::size(versions), kReadBoardVersionQueryFrame);
    EXPECT_EQ(Received(expected.size()), expected);

    // A Read shows the last values the queries brought.
    sim::SimBehaviour behaviour = sim_->Behaviour();
    behaviour.temperatureHundredths = 2345;
    sim_->SetBehaviour(behaviour);
    ASSERT_TRUE(Click(kQueryTemperature));
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Text(kTemperature), "23.5");
    EXPECT_EQ(Text(kProcessor2), "9.0.99");
}

TEST_F(WindowE2e, ResetSendsTheResetCommandAndLeavesThePanelAsItWas) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(Click(kRead));
    const auto before = testing::ControlSnapshot::Of(*dlg_);
    host_.ClearRecord();

    ASSERT_TRUE(Click(kReset));
    EXPECT_EQ(Received(3), (std::vector<Bytes>{kReadFrame, kReadFrame, kResetFrame}));
    EXPECT_EQ(Status(), "Send reset command ...");
    ExpectSameControls(before, testing::ControlSnapshot::Of(*dlg_), {kStatusLine});
    EXPECT_EQ(host_.sleeps, std::vector<std::chrono::milliseconds>{500ms});
    EXPECT_TRUE(host_.waits.empty());
}

// --- Stop -------------------------------------------------------------------------------------

TEST_F(WindowE2e, StopEmptiesThePanelExceptTheKeptBoxesAndReleasesThePort) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(Click(kRead));
    dlg_->SetCheck(kSmtMd, 1);
    const std::string slave = sim_->SlavePath();
    ASSERT_FALSE(PortIsFree(slave));

    ASSERT_TRUE(Click(kStop));
    EXPECT_EQ(port_, nullptr);
    EXPECT_TRUE(PortIsFree(slave));
    for (const int id :
         {kTimeSpan,    kVt,          kPga,        kFrameDelay1, kFrameDelay2,  kRowDelay1,
          kRowDelay2,   kIntegrate,   kProcessor1, kClearTime,   kAcquireDelay, kSetDelay,
          kInnerDelay,  kTemperature, kHumidity,   kProcessor2,  kExpWindow,    kSerial,
          kProductType, kDate,        kStatusLine}) {
        EXPECT_EQ(Text(id), "") << "box " << id;
    }
    ExpectTexts(*dlg_, {{kInnerRefreshTime, "4000"}, {kTubeReadyTime, "900"}});
    EXPECT_EQ(Text(kPanelFormat), "1717");
    for (int id = kSensorI; id <= kBinning; ++id) {
        EXPECT_EQ(Check(id), 0) << "check box " << id;
    }
    ExpectChecks(*dlg_, {{kLowValid, 0}, {kHighValid, 1}, {kSmtMd, 1}});
    EXPECT_EQ(Selection(kTrigger), -1);
    EXPECT_EQ(dlg_->Controls().Find(kTrigger)->items.size(), 4U);
    ExpectEnablingOfState(*dlg_, false);
    // The window's own fields stay.
    EXPECT_EQ(dlg_->serialText, kDetectorSerial);
    EXPECT_EQ(dlg_->productTypeText, "Unknown");
    EXPECT_EQ(dlg_->dateYear, 23);

    // Start again: a fresh connection that reads afresh.
    ASSERT_TRUE(Click(kStart));
    ASSERT_NE(port_, nullptr);
    EXPECT_EQ(Received(3).size(), 3U);
    EXPECT_EQ(Status(), "Read parameters is successful.");
    ExpectEnablingOfState(*dlg_, true);
}

// --- Read(FILE) -------------------------------------------------------------------------------

void WriteFile(const std::string& path, const std::string& contents) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << contents;
}

// No file: every key takes its default. The detector is silent, so the file
// read is also what lets a write go out at all.
TEST_F(WindowE2e, ReadFileWithoutAFileTakesTheDefaultsAndAWriteCarriesThem) {
    sim::SimOptions options;
    options.behaviour.silent = true;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    ASSERT_EQ(Status(), "Read parameters failed.");

    ASSERT_TRUE(Click(kReadFile));
    EXPECT_EQ(Status(), "Read file parameters is successful.");
    ExpectTexts(*dlg_,
                {{kTimeSpan, "1500"},    {kVt, "1.68"},           {kPga, "5"},
                 {kFrameDelay1, "0"},    {kFrameDelay2, "0"},     {kRowDelay1, "5"},
                 {kRowDelay2, "5"},      {kIntegrate, "100"},     {kProcessor1, "100"},
                 {kClearTime, "500"},    {kAcquireDelay, "0"},    {kSetDelay, "1000"},
                 {kInnerDelay, "0"},     {kTemperature, "35.7"},  {kHumidity, "30"},
                 {kProcessor2, "3.1.6"}, {kExpWindow, "5000"},    {kInnerRefreshTime, "5000"},
                 {kProductType, "0"},    {kTubeReadyTime, "800"}, {kDate, "2012-7-1"}});
    EXPECT_EQ(Selection(kTrigger), 0);
    ExpectChecks(*dlg_, {{kBinning, 1},
                         {kLowValid, 1},
                         {kHighValid, 0},
                         {kAutoClear, 0},
                         {kSensorI, 0},
                         {kSensorII, 0},
                         {kSensorIII, 0},
                         {kSensorReset, 0},
                         {kGain0, 0},
                         {kGain1, 0},
                         {kGain2, 0},
                         {kGain3, 0}});
    EXPECT_EQ(dlg_->dateYear, 12);
    EXPECT_EQ(dlg_->dateMonth, 7);
    EXPECT_EQ(dlg_->dateDay, 1);
    const DetectorParams record = port_->CopyParams();
    EXPECT_EQ(record.cfgType, 0);
    EXPECT_EQ(record.pixelSize, 139);
    EXPECT_EQ(record.pixelX, 43);
    EXPECT_EQ(record.pixelY, 43);
    EXPECT_EQ(record.startCol, 118);
    EXPECT_EQ(record.endCol, 101);
    EXPECT_EQ(record.vcom, 119);
    EXPECT_EQ(record.autoClearTime, 5000);

    ASSERT_TRUE(Click(kWrite));
    EXPECT_TRUE(host_.MessageBoxes().empty());
    EXPECT_EQ(Status(), "Write parameters is successful.");
    // clang-format off
    const Bytes expected = {
        /*   0 */ 0x55, 0x02, 0x80,
        /*   3 */ 0x00,               // cfgType 0            file default
        /*   4 */ 0x0B,               // productCode 11
        /*   5 */ 0x8B, 0x2B, 0x2B,   // pixelSize 139, pixelX 43, pixelY 43
        /*   8 */ 0x04, 0x01, 0x04,   // processor1Version    profile
        /*  11 */ 0x00, 0x00,         // reserved1
        /*  13 */ 0x0C, 0x07, 0x01,   // date 12-7-1          file default
        /*  16 */ 0x00, 0x00, 0x00,   // timeExtra
        /*  19 */ 0x00, 0x00, 0x00, 0x00,  // reserved2, reserved3
        /*  23 */ 0x00, 0x00, 0x00, 0x00,  // frameDelay1 0, frameDelay2 0
        /*  27 */ 0x05, 0x00, 0x05, 0x00,  // rowDelay1 5, rowDelay2 5
        /*  31 */ 0x64, 0x00,         // integrate 100
        /*  33 */ 0x00, 0x00, 0x00, 0x00,  // reserved4, reserved5
        /*  37 */ 0x01, 0x00,         // binning: the default "100" checks it
        /*  39 */ 0x01, 0x00,         // signalFlags: Auto Clear (profile), Low Valid
        /*  41 */ 0x08, 0x07,         // timeSpan 1800
        /*  43 */ 0x76, 0x00,         // startCol 118
        /*  45 */ 0x65, 0x00,         // endCol 101
        /*  47 */ 0x77, 0x00,         // vcom 119
        /*  49 */ 0x80, 0x00,         // vt 128
        /*  51 */ 0x06, 0x00,         // pga 6
        /*  53 */ 0x00, 0x00,         // reserved6
        /*  55 */ 0x20, 0x03,         // tubeReadyTime 800
        /*  57 */ 0xD0, 0x07,         // autoClearTime 2000   profile over the file's 5000
        /*  59 */ 0x00, 0x00,         // reserved7
        /*  61 */ 0x01, 0x00,         // trigger 1            profile
        /*  63 */ 0x00, 0x00,         // sensorSel, sensorSelReset
        /*  65 */ 0x00, 0x00,         // gainSel
        /*  67 */ 0xDC, 0x05,         // acquireDelayTime 1500
        /*  69 */ 0xE8, 0x03,         // setDelayTime 1000
        /*  71 */ 0x00, 0x00,         // reserved8
        /*  73 */ 0xDC, 0x05,         // clearTime 1500
        /*  75 */ 0x60, 0x6D,         // expTimeout 28000
        /*  77 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // reservedBlock, no-slot bytes
        /*  85 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /*  93 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 101 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 109 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 117 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // serial: none was read
        /* 125 */ 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 130 */ 0x00,               // reservedTail
        /* 131 */ 0x11,               // exclusive OR of offsets 3 to 130
        /* 132 */ 0xAA,
    };
    // clang-format on
    ASSERT_EQ(expected.size(), 133U);
    ASSERT_EQ(expected[131], XorOfBlock(expected));
    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(Hex(frames[1]), Hex(expected));
}

constexpr const char* kFile1717 =
    "; parameter set of a 17 x 17 panel\n"
    "[OTHER]\n"
    "CFG_TYPE=9\n"
    "[CONFIG_PARAMETER]\n"
    "CFG_TYPE=3\n"
    "PIXEL_SIZE=150\n"
    "PIXEL_X=300\n"
    "PIXEL_Y=44\n"
    "START_COL=70000\n"
    "END_COL=102\n"
    "VCOM=-1\n"
    "TIME_SPAN=1234\n"
    "VT=2.0\n"
    "PGA=4\n"
    "AUTO_CLEAR=2\n"
    "RAD_ENABLE_SIGNAL=-1\n"
    "TRIGGER=4\n"
    "SENSOR_SEL_1=2\n"
    "SENSOR_SEL_2=0\n"
    "SENSOR_SEL_3=1\n"
    "SENSOR_SEL_RESET=0\n"
    "GAIN_SEL_0=0\n"
    "GAIN_SEL_1=1\n"
    "GAIN_SEL_2=1\n"
    "GAIN_SEL_3=0\n"
    "TIME_YEAR=14\n"
    "TIME_MONTH=4\n"
    "TIME_DAY=4\n"
    "FRAME_DELAY1=11\n"
    "FRAME_DELAY2=12\n"
    "ROW_DELAY1=13\n"
    "ROW_DELAY2=14\n"
    "INTEGRATE=150\n"
    "PROCESSOR1=5.6.7\n"
    "BINNING=0\n"
    "CLEAR_TIME=600\n"
    "ACQUIRE_DELAY_TIME=700\n"
    "SET_DELAY_TIME=800\n"
    "INNER_DELAY_TIME=900\n"
    "TEMPERATURE=40.1\n"
    "HUMIDITY=55\n"
    "PROCESSOR2=2.3.4\n"
    "EXP_TIMEOUT=6000\n"
    "PRODUCT_NO=11\n"
    "TUBE_READY_TIME=850\n"
    "AUTO_CLEAR_TIME=3000\n";

// A file with every key, against a detector whose block has every reserved
// field non-zero: the file's record values and the cleared fields reach the
// detector with the next Write.
TEST_F(WindowE2e, ReadFileAppliesTheFileToTheRecordAndTheWindowAndWriteSendsIt) {
    WriteFile(folder_ / "res/orvane_1717.ini", kFile1717);
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(Click(kReadFile));

    EXPECT_EQ(Status(), "Read file parameters is successful.");
    ExpectTexts(*dlg_, {{kTimeSpan, "1234"},
                        {kVt, "2.0"},
                        {kPga, "4"},
                        {kFrameDelay1, "11"},
                        {kFrameDelay2, "12"},
                        {kRowDelay1, "13"},
                        {kRowDelay2, "14"},
                        {kIntegrate, "150"},
                        {kProcessor1, "5.6.7"},
                        {kClearTime, "600"},
                        {kAcquireDelay, "700"},
                        {kSetDelay, "800"},
                        {kInnerDelay, "900"},
                        {kTemperature, "40.1"},
                        {kHumidity, "55"},
                        {kProcessor2, "2.3.4"},
                        {kExpWindow, "6000"},
                        {kInnerRefreshTime, "3000"},
                        {kProductType, "11"},
                        {kTubeReadyTime, "850"},
                        {kDate, "2014-4-4"}});
    EXPECT_EQ(Selection(kTrigger), -1);    // TRIGGER=4 is no entry
    ExpectChecks(*dlg_, {{kAutoClear, 0},  // only 1 checks it
                         {kLowValid, 0},
                         {kHighValid, 1},
                         {kSensorI, 1},
                         {kSensorII, 0},
                         {kSensorIII, 1},
                         {kSensorReset, 0},
                         {kGain0, 0},
                         {kGain1, 1},
                         {kGain2, 1},
                         {kGain3, 0},
                         {kBinning, 0}});
    EXPECT_EQ(dlg_->dateYear, 14);

    const DetectorParams record = port_->CopyParams();
    EXPECT_EQ(record.pixelX, 300);     // the slot keeps 16 bits; the wire takes the low byte
    EXPECT_EQ(record.startCol, 4464);  // 70000 cut to 16 bits
    EXPECT_EQ(record.vcom, 0xFFFF);
    EXPECT_EQ(record.autoClearTime, 3000);
    EXPECT_EQ(record.trigger, 0);
    EXPECT_EQ(record.reserved6, 0);
    // What the file has no key for stays as read.
    EXPECT_EQ(record.productCode, 12);
    EXPECT_EQ(record.timeYear, 23);
    EXPECT_EQ(record.processor1Version, (std::array<std::uint16_t, 3>{3, 2, 9}));

    ASSERT_TRUE(Click(kWrite));
    EXPECT_EQ(Status(), "Write parameters is successful.");
    // clang-format off
    const Bytes expected = {
        /*   0 */ 0x55, 0x02, 0x80,
        /*   3 */ 0x03,               // cfgType 3            file
        /*   4 */ 0x0B,               // productCode 11
        /*   5 */ 0x96,               // pixelSize 150        file
        /*   6 */ 0x2C,               // pixelX 300 -> low byte 0x2C
        /*   7 */ 0x2C,               // pixelY 44            file
        /*   8 */ 0x04, 0x01, 0x04,   // processor1Version    profile, not the file's 5.6.7
        /*  11 */ 0x00, 0x00,         // reserved1            cleared
        /*  13 */ 0x0E, 0x04, 0x04,   // date 14-4-4          file
        /*  16 */ 0x00, 0x00, 0x00,   // timeExtra
        /*  19 */ 0x00, 0x00, 0x00, 0x00,  // reserved2, reserved3 cleared
        /*  23 */ 0x00, 0x00, 0x00, 0x00,  // frameDelay1, frameDelay2: profile
        /*  27 */ 0x05, 0x00, 0x05, 0x00,  // rowDelay1, rowDelay2: profile
        /*  31 */ 0x64, 0x00,         // integrate 100        profile
        /*  33 */ 0x00, 0x00, 0x00, 0x00,  // reserved4, reserved5 cleared
        /*  37 */ 0x00, 0x00,         // binning              file BINNING=0
        /*  39 */ 0x03, 0x00,         // signalFlags: Auto Clear (profile), High Valid (file)
        /*  41 */ 0x08, 0x07,         // timeSpan 1800        profile
        /*  43 */ 0x70, 0x11,         // startCol 70000 -> 0x1170
        /*  45 */ 0x66, 0x00,         // endCol 102           file
        /*  47 */ 0xFF, 0xFF,         // vcom -1 -> 0xFFFF    file
        /*  49 */ 0x80, 0x00,         // vt 128               profile
        /*  51 */ 0x06, 0x00,         // pga 6                profile
        /*  53 */ 0x00, 0x00,         // reserved6
        /*  55 */ 0x20, 0x03,         // tubeReadyTime 800    profile
        /*  57 */ 0xD0, 0x07,         // autoClearTime 2000   profile
        /*  59 */ 0x00, 0x00,         // reserved7            cleared
        /*  61 */ 0x01, 0x00,         // trigger 1            profile
        /*  63 */ 0x05,               // sensorSel: "I", "III" file
        /*  64 */ 0x00,               // sensorSelReset       file
        /*  65 */ 0x06, 0x00,         // gainSel: "1", "2"    file
        /*  67 */ 0xDC, 0x05,         // acquireDelayTime 1500
        /*  69 */ 0xE8, 0x03,         // setDelayTime 1000
        /*  71 */ 0x00, 0x00,         // reserved8            cleared
        /*  73 */ 0xDC, 0x05,         // clearTime 1500
        /*  75 */ 0x60, 0x6D,         // expTimeout 28000
        /*  77 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // reservedBlock cleared
        /*  85 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /*  93 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 101 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 109 */ 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        /* 117 */ 'K', 'X', '2', '3', '1', '1', '0', '5', '0', '0', '0', '1', '7',  // as read
        /* 130 */ 0x00,               // reservedTail         cleared
        /* 131 */ 0x49,               // exclusive OR of offsets 3 to 130
        /* 132 */ 0xAA,
    };
    // clang-format on
    ASSERT_EQ(expected.size(), 133U);
    ASSERT_EQ(expected[131], XorOfBlock(expected));
    const std::vector<Bytes> frames = Received(2);
    ASSERT_EQ(frames.size(), 2U);
    EXPECT_EQ(Hex(frames[1]), Hex(expected));
}

TEST_F(WindowE2e, ReadFileReadsTheFileOfThePanelFormatShown) {
    WriteFile(folder_ / "res/orvane_1717.ini", "[CONFIG_PARAMETER]\nTIME_SPAN=1717\n");
    WriteFile(folder_ / "res/orvane_1417.ini", "[CONFIG_PARAMETER]\nTIME_SPAN=1417\n");
    ASSERT_NO_FATAL_FAILURE(Connect());
    for (const int format : {1, 0}) {
        dlg_->SetSelection(kPanelFormat, format);
        ASSERT_TRUE(Click(kReadFile));
        EXPECT_EQ(Text(kTimeSpan), Text(kPanelFormat));
    }
}

// --- No answer is no success -----------------------------------------------------------------

TEST_F(WindowE2e, WithASilentDetectorEveryAwaitedAnswerEndsInFailureAtItsDeadline) {
    sim::SimOptions options;
    options.behaviour.silent = true;
    ASSERT_NO_FATAL_FAILURE(Connect(options));

    // Start still ends connected with the factory profile.
    EXPECT_EQ(Status(), "Read parameters failed.");
    for (const BoxText& box : kFactoryProfile) {
        EXPECT_EQ(Text(box.id), box.text) << "box " << box.id;
    }
    ExpectEnablingOfState(*dlg_, true);
    EXPECT_EQ(LastWait().timeout, 500ms);
    EXPECT_FALSE(LastWait().held);

    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters failed.");
    EXPECT_EQ(LastWait().timeout, 500ms);
    EXPECT_FALSE(LastWait().held);

    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), "Query Temperature failed.");
    EXPECT_EQ(Text(kTemperature), "0.0");
    EXPECT_EQ(LastWait().timeout, 800ms);
    EXPECT_FALSE(LastWait().held);

    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    EXPECT_EQ(Status(), "Query READ-board version failed.");
    EXPECT_EQ(Text(kProcessor2), "0.0.0");
    EXPECT_EQ(LastWait().timeout, 500ms);
    EXPECT_FALSE(LastWait().held);
    EXPECT_TRUE(host_.MessageBoxes().empty());

    EXPECT_EQ(Received(4), (std::vector<Bytes>{kReadFrame, kReadFrame, kTemperatureQueryFrame,
                                               kReadBoardVersionQueryFrame}));
}

TEST_F(WindowE2e, AnUnansweredQueryOrReadFailsButKeepsWhatWasShownBefore) {
    sim::SimOptions options;
    options.behaviour.temperatureHundredths = 2345;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    ASSERT_TRUE(Click(kQueryTemperature));
    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    ASSERT_EQ(Text(kTemperature), "23.5");
    ASSERT_EQ(Text(kProcessor2), "1.2.5");

    sim::SimBehaviour behaviour = sim_->Behaviour();
    behaviour.silent = true;
    sim_->SetBehaviour(behaviour);

    ASSERT_TRUE(Click(kQueryTemperature));
    EXPECT_EQ(Status(), "Query Temperature failed.");
    EXPECT_EQ(Text(kTemperature), "23.5");
    ASSERT_TRUE(Click(kQueryReadBoardVersion));
    EXPECT_EQ(Status(), "Query READ-board version failed.");
    EXPECT_EQ(Text(kProcessor2), "1.2.5");
    // The panel shows what the record holds: the block read at Start.
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters failed.");
    ExpectTexts(*dlg_, {{kTimeSpan, "2500"}, {kVt, "4.80"}, {kSerial, kDetectorSerial}});
}

// --- No parameter set, no write ----------------------------------------------------------------

TEST_F(WindowE2e, WithoutAParameterSetBothWritesAreRefusedAndNothingGoesOut) {
    sim::SimOptions options;
    options.behaviour.silent = true;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    host_.ClearRecord();

    ASSERT_TRUE(Click(kWrite));
    EXPECT_EQ(MessageTexts(host_), std::vector<std::string>{kReadBeforeWriting});
    EXPECT_EQ(Status(), "Write parameters failed.");

    host_.ClearRecord();
    ASSERT_TRUE(Click(kWriteRom));
    EXPECT_EQ(MessageTexts(host_), std::vector<std::string>{kReadBeforeWriting});
    EXPECT_EQ(Status(), "Write ROM parameters failed.");
    EXPECT_TRUE(host_.waits.empty());  // no acknowledgement awaited for a frame never sent
    EXPECT_FALSE(port_->writeRomPending.load());
    EXPECT_EQ(port_->pendingQuery.load(), kNoQuery);

    // The line keeps its order: had a write gone out, it would arrive before
    // the reset sent after it.
    ASSERT_TRUE(Click(kReset));
    EXPECT_EQ(Received(2), (std::vector<Bytes>{kReadFrame, kResetFrame}));
}

// The detector is switched on after Start. The refused ROM write must not
// leave the receiver expecting an acknowledgement: it would take the next
// status answer for one and swallow the start of the answer after it.
TEST_F(WindowE2e, ARefusedRomWriteLeavesTheReceiverReadyForTheNextAnswers) {
    sim::SimOptions options;
    options.behaviour.silent = true;
    ASSERT_NO_FATAL_FAILURE(Connect(options));
    ASSERT_TRUE(Click(kWriteRom));
    ASSERT_EQ(Status(), "Write ROM parameters failed.");

    sim::SimBehaviour behaviour = sim_->Behaviour();
    behaviour.silent = false;
    sim_->SetBehaviour(behaviour);
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters is successful.");
    ASSERT_TRUE(Click(kWrite));  // answered with a status answer
    EXPECT_EQ(Status(), "Write parameters is successful.");
    ASSERT_TRUE(Click(kRead));
    EXPECT_EQ(Status(), "Read parameters is successful.");
}

}  // namespace
}  // namespace kelm9d
