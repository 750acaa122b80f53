// The simulated detector in-process, driven from the far side of its
// pseudo-terminal with raw bytes.
#include "sim/simulated_detector.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/block_file.h"
#include "tests/sim/far_end.h"
#include "tests/sim/temp_dir.h"

namespace kelm9d::sim {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::Command;
using testing::FarEnd;
using testing::Hex;
using testing::MemoryWrite;
using testing::ParameterAnswerOf;
using testing::PatternBlock;
using testing::RomWrite;
using testing::TempDir;

constexpr auto kAnswerTimeout = 5s;  // generous: a sanitizer build is slow

Bytes Initial() {
    return Bytes(InitialBlock().begin(), InitialBlock().end());
}

Bytes ToBytes(const ParameterBlock& b) {
    return Bytes(b.begin(), b.end());
}

SimOptions Fast() {
    SimOptions o;
    o.behaviour.pacing = false;
    o.behaviour.burnTime = 0ms;
    return o;
}

// A detector started on its pseudo-terminal, and the program's end of it.
struct Rig {
    explicit Rig(SimOptions options)
        : sim(std::make_unique<SimulatedDetector>(std::move(options))) {
        const SimError e = sim->Start();
        EXPECT_FALSE(e.Failed()) << e.message;
        line.emplace(sim->SlavePath());
        EXPECT_TRUE(line->IsOpen()) << sim->SlavePath();
    }

    // Sends a frame and reads the `count` bytes that should answer it.
    Bytes Ask(const Bytes& frame, std::size_t count) {
        EXPECT_TRUE(line->Send(frame));
        return line->Read(count, kAnswerTimeout);
    }

    bool WaitReceived(std::uint64_t frames) {
        return sim->WaitFor([frames](const SimCounters& c) { return c.framesReceived >= frames; },
                            kAnswerTimeout);
    }

    std::unique_ptr<SimulatedDetector> sim;
    std::optional<FarEnd> line;
};

std::vector<std::string> LogLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// ---------------------------------------------------------------------------
// Commands

TEST(SimulatedDetectorTest, ReadAnswersWithTheWorkingMemory) {
    Rig rig(Fast());
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(Initial())));
    // The answer is the same when asked again: reading changes nothing.
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(Initial())));
}

TEST(SimulatedDetectorTest, TemperatureAndVersionAnswers) {
    Rig rig(Fast());
    const struct {
        const char* name;
        std::function<void(SimBehaviour&)> set;
        std::uint8_t command;
        Bytes answer;
    } cases[] = {
        {"23.45 degrees",
         [](SimBehaviour& b) { b.temperatureHundredths = 2345; },
         0x0A,
         {0x55, 0x0A, 0x09, 0x29, 0xAA}},
        {"code 2",
         [](SimBehaviour& b) { b.temperatureCode = 0x02; },
         0x0A,
         {0x55, 0x02, 0x09, 0x29, 0xAA}},
        {"65535 hundredths",
         [](SimBehaviour& b) {
             b.temperatureCode = 0x0A;
             b.temperatureHundredths = 65535;
         },
         0x0A,
         {0x55, 0x0A, 0xFF, 0xFF, 0xAA}},
        {"version 1.2.5",
         [](SimBehaviour& b) {
             b.version = {1, 2, 5};
         },
         0x0C,
         {0x55, 0x02, 0x12, 0x05, 0xAA}},
        {"version 0.5.25",
         [](SimBehaviour& b) {
             b.version = {0, 5, 25};
         },
         0x0C,
         {0x55, 0x02, 0x05, 0x25, 0xAA}},
        {"version 9.9.99",
         [](SimBehaviour& b) {
             b.version = {9, 9, 99};
         },
         0x0C,
         {0x55, 0x02, 0x99, 0x99, 0xAA}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimBehaviour b = rig.sim->Behaviour();
        c.set(b);
        rig.sim->SetBehaviour(b);
        EXPECT_EQ(Hex(rig.Ask(Command(c.command), 5)), Hex(c.answer));
    }
}

TEST(SimulatedDetectorTest, MemoryWriteStoresTheBlockWhenTheCheckByteMatches) {
    Rig rig(Fast());
    const Bytes block = PatternBlock(1);
    EXPECT_EQ(Hex(rig.Ask(MemoryWrite(block), 4)), "55 02 01 AA");
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), block);
    EXPECT_EQ(ToBytes(rig.sim->Rom()), Initial()) << "a working-memory write leaves the ROM";
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(block)));
}

TEST(SimulatedDetectorTest, MemoryWriteWithABadCheckByteIsRefusedAndChangesNothing) {
    Rig rig(Fast());
    EXPECT_EQ(Hex(rig.Ask(MemoryWrite(PatternBlock(2), false), 4)), "55 02 02 AA");
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), Initial());
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(Initial())));
}

TEST(SimulatedDetectorTest, RomWriteStoresBothMemoriesAndIsAcknowledgedAfterTheBurn) {
    SimOptions o = Fast();
    o.behaviour.burnTime = 120ms;
    o.behaviour.ackDelay = 80ms;  // added to the burn
    Rig rig(o);
    const Bytes block = PatternBlock(3);
    const auto sent = testing::Clock::now();
    EXPECT_EQ(Hex(rig.Ask(RomWrite(block), 5)), "55 02 00 00 AA");
    EXPECT_GE(testing::Clock::now() - sent, 200ms) << "acknowledged before the burn was over";
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), block);
    EXPECT_EQ(ToBytes(rig.sim->Rom()), block);
    EXPECT_EQ(rig.sim->Counters().romWrites, 1u);
}

TEST(SimulatedDetectorTest, ResetRestoresTheRomIntoWorkingMemory) {
    Rig rig(Fast());
    const Bytes rom = PatternBlock(4);
    const Bytes scratch = PatternBlock(5);
    EXPECT_EQ(Hex(rig.Ask(RomWrite(rom), 5)), "55 02 00 00 AA");
    EXPECT_EQ(Hex(rig.Ask(MemoryWrite(scratch), 4)), "55 02 01 AA");
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), scratch);

    ASSERT_TRUE(rig.line->Send(Command(0x01)));
    ASSERT_TRUE(rig.WaitReceived(3));
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), rom);
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(rom)))
        << "the reset itself must not have answered";
}

TEST(SimulatedDetectorTest, UnknownCommandsAndGarbageAreIgnored) {
    Rig rig(Fast());
    Bytes noise = {0x12, 0x34, 0x55, 0x55};
    const Bytes unknown = Command(0x07);
    noise.insert(noise.end(), unknown.begin(), unknown.end());
    ASSERT_TRUE(rig.line->Send(noise));
    // The read after the noise is answered exactly, with nothing before it.
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(Initial())));
    EXPECT_EQ(rig.sim->Counters().framesReceived, 1u);
    EXPECT_TRUE(rig.sim->WaitFor([](const SimCounters& c) { return c.framesIgnored >= 2; },
                                 kAnswerTimeout));
}

TEST(SimulatedDetectorTest, SurvivesTheProgramClosingAndReopeningThePort) {
    Rig rig(Fast());
    EXPECT_EQ(rig.Ask(Command(0x03), 133).size(), 133u);
    rig.line.reset();  // the program closes the port
    rig.line.emplace(rig.sim->SlavePath());
    ASSERT_TRUE(rig.line->IsOpen());
    EXPECT_EQ(Hex(rig.Ask(Command(0x0C), 5)), "55 02 12 05 AA");
}

// ---------------------------------------------------------------------------
// ROM file

TEST(SimulatedDetectorTest, RomFilePersistsAcrossRuns) {
    TempDir dir;
    const std::string romFile = dir.Path() + "/rom.bin";
    const Bytes block = PatternBlock(6);
    {
        SimOptions o = Fast();
        o.romFile = romFile;  // absent: the ROM starts as the built-in block
        Rig rig(o);
        EXPECT_EQ(ToBytes(rig.sim->Rom()), Initial());
        EXPECT_EQ(Hex(rig.Ask(RomWrite(block), 5)), "55 02 00 00 AA");
    }
    std::ifstream in(romFile, std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    EXPECT_EQ(onDisk, std::string(block.begin(), block.end()));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"rom.bin"}) << "a temporary file was left";
    {
        SimOptions o = Fast();
        o.romFile = romFile;
        o.initialBlock = InitialBlock();  // the ROM file wins, as at power-on
        Rig rig(o);
        EXPECT_EQ(ToBytes(rig.sim->Rom()), block);
        EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(ParameterAnswerOf(block)));
    }
}

TEST(SimulatedDetectorTest, UnusableRomFileStopsTheStart) {
    TempDir dir;
    const std::string romFile = dir.Path() + "/rom.bin";
    std::ofstream(romFile) << "not a block";
    for (const std::string& path : {romFile, std::string("/nonexistent/folder/rom.bin")}) {
        SCOPED_TRACE(path);
        SimOptions o = Fast();
        o.romFile = path;
        SimulatedDetector sim(o);
        const SimError e = sim.Start();
        EXPECT_EQ(e.kind, SimErrorKind::kBadInput);
        EXPECT_NE(e.message.find(path.substr(0, path.rfind('/'))), std::string::npos) << e.message;
    }
}

TEST(SimulatedDetectorTest, RomWriteThatCannotBePersistedIsNotAcknowledged) {
    auto dir = std::make_unique<TempDir>();
    SimOptions o = Fast();
    o.romFile = dir->Path() + "/rom.bin";
    Rig rig(o);
    dir.reset();  // the folder vanishes under the running detector

    const Bytes block = PatternBlock(7);
    ASSERT_TRUE(rig.line->Send(RomWrite(block)));
    ASSERT_TRUE(rig.sim->WaitFor([](const SimCounters& c) { return c.romWriteFailures == 1; },
                                 kAnswerTimeout));
    EXPECT_EQ(ToBytes(rig.sim->Rom()), Initial()) << "the ROM must not claim a burn that failed";
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), block);
    EXPECT_NE(rig.sim->LastError().find("rom.bin"), std::string::npos);
    // With a burn time of 0 an acknowledgement would come before this answer.
    EXPECT_EQ(Hex(rig.Ask(Command(0x0C), 5)), "55 02 12 05 AA");
}

// ---------------------------------------------------------------------------
// Link and log

TEST(SimulatedDetectorTest, LinkIsMadeReplacedWhenStaleAndRemovedAtStop) {
    TempDir dir;
    const std::string link = dir.Path() + "/com1";
    ASSERT_EQ(::symlink("/dev/pts/nonexistent", link.c_str()), 0);  // left by a crashed run
    SimOptions o = Fast();
    o.linkPath = link;
    {
        Rig rig(o);
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), rig.sim->SlavePath());
        FarEnd viaLink(link);
        ASSERT_TRUE(viaLink.IsOpen());
        ASSERT_TRUE(viaLink.Send(Command(0x0C)));
        EXPECT_EQ(Hex(viaLink.Read(5, kAnswerTimeout)), "55 02 12 05 AA");
    }
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link outlived the detector";

    std::ofstream(link) << "someone's file";
    SimulatedDetector sim(o);
    EXPECT_EQ(sim.Start().kind, SimErrorKind::kBadInput) << "a regular file must not be replaced";
    EXPECT_TRUE(S_ISREG((::lstat(link.c_str(), &st), st.st_mode)));
}

TEST(SimulatedDetectorTest, LogHasOneLinePerFrameWithTimestampTagAndBytes) {
    TempDir dir;
    SimOptions o = Fast();
    o.logFile = dir.Path() + "/sim.log";
    Rig rig(o);
    const Bytes block = PatternBlock(8);
    EXPECT_EQ(rig.Ask(Command(0x03), 133).size(), 133u);
    EXPECT_EQ(rig.Ask(MemoryWrite(block), 4).size(), 4u);
    ASSERT_TRUE(rig.line->Send({0x12, 0x34}));
    ASSERT_TRUE(rig.sim->WaitFor([](const SimCounters& c) { return c.framesIgnored == 1; },
                                 kAnswerTimeout));

    const std::vector<std::string> lines = LogLines(o.logFile);
    const std::vector<std::string> expected = {
        "rx " + Hex(Command(0x03)),
        "tx " + Hex(ParameterAnswerOf(Initial())),
        "rx " + Hex(MemoryWrite(block)),
        "tx 55 02 01 AA",
        "rx? 12 34",
    };
    ASSERT_EQ(lines.size(), expected.size());
    const std::regex format(R"(^(\d+)\.(\d{6}) (.*)$)");
    double last = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, format)) << lines[i];
        EXPECT_EQ(m[3].str(), expected[i]);
        const double t = std::stod(m[1].str() + "." + m[2].str());
        EXPECT_GE(t, last) << "timestamps go forward";
        last = t;
    }
}

// ---------------------------------------------------------------------------
// Pacing

TEST(SimulatedDetectorTest, PacesAnswersAtTheLineRateAndKeepsListening) {
    SimOptions o;
    o.behaviour.latency = 50ms;
    Rig rig(o);
    std::vector<testing::Clock::time_point> arrivals;
    const auto sent = testing::Clock::now();
    ASSERT_TRUE(rig.line->Send(Command(0x03)));
    // A query while the answer is still on its way must not be missed.
    const Bytes first = rig.line->Read(20, kAnswerTimeout, &arrivals);
    ASSERT_TRUE(rig.line->Send(Command(0x0A)));
    const Bytes rest = rig.line->Read(113 + 5, kAnswerTimeout, &arrivals);

    Bytes all = first;
    all.insert(all.end(), rest.begin(), rest.end());
    Bytes expected = ParameterAnswerOf(Initial());
    expected.insert(expected.end(), {0x55, 0x0A, 0x0C, 0x35, 0xAA});
    ASSERT_EQ(Hex(all), Hex(expected));
    // Lower bounds only: 960 bytes a second make 133 bytes last about 138 ms.
    EXPECT_GE(arrivals.front() - sent, 50ms) << "the latency was skipped";
    EXPECT_GE(arrivals[132] - arrivals[0], 100ms) << "the answer came all at once";
}

// ---------------------------------------------------------------------------
// Faults

TEST(SimulatedDetectorTest, SilentDetectorActsOnFramesButAnswersNothing) {
    Rig rig(Fast());
    SimBehaviour b = rig.sim->Behaviour();
    b.silent = true;
    rig.sim->SetBehaviour(b);
    const Bytes block = PatternBlock(9);
    ASSERT_TRUE(rig.line->Send(Command(0x03)));
    ASSERT_TRUE(rig.line->Send(MemoryWrite(block)));
    ASSERT_TRUE(rig.WaitReceived(2));
    EXPECT_EQ(ToBytes(rig.sim->WorkingMemory()), block);

    b.silent = false;
    rig.sim->SetBehaviour(b);
    // Had anything been sent while silent, it would arrive before this.
    EXPECT_EQ(Hex(rig.Ask(Command(0x0C), 5)), "55 02 12 05 AA");
    EXPECT_TRUE(
        rig.sim->WaitFor([](const SimCounters& c) { return c.answersSent == 1; }, kAnswerTimeout));
    EXPECT_EQ(rig.sim->Counters().answersSent, 1u);
}

TEST(SimulatedDetectorTest, NoRomAckStoresTheRomButNeverAcknowledges) {
    SimOptions o = Fast();
    o.behaviour.romAck = false;
    Rig rig(o);
    const Bytes block = PatternBlock(10);
    ASSERT_TRUE(rig.line->Send(RomWrite(block)));
    ASSERT_TRUE(rig.WaitReceived(1));
    EXPECT_EQ(ToBytes(rig.sim->Rom()), block);
    // With a burn time of 0 an acknowledgement would come before this answer.
    EXPECT_EQ(Hex(rig.Ask(Command(0x0C), 5)), "55 02 12 05 AA");
}

TEST(SimulatedDetectorTest, BadTrailerSpoilsEveryAnswer) {
    SimOptions o = Fast();
    o.behaviour.badTrailer = true;
    Rig rig(o);
    Bytes read = ParameterAnswerOf(Initial());
    read.back() = 0xAB;
    EXPECT_EQ(Hex(rig.Ask(Command(0x03), 133)), Hex(read));
    EXPECT_EQ(Hex(rig.Ask(Command(0x0A), 5)), "55 0A 0C 35 AB");
    EXPECT_EQ(Hex(rig.Ask(MemoryWrite(PatternBlock(1)), 4)), "55 02 01 AB");
    EXPECT_EQ(Hex(rig.Ask(RomWrite(PatternBlock(1)), 5)), "55 02 00 00 AB");
}

TEST(SimulatedDetectorTest, ShortAnswerPrecedesEveryParameterAnswer) {
    SimOptions o = Fast();
    o.behaviour.shortAnswer = true;
    Rig rig(o);
    const Bytes initial = Initial();
    const Bytes head(initial.begin(), initial.begin() + 16);
    Bytes expected = {0x55, 0x03, 0x10};
    expected.insert(expected.end(), head.begin(), head.end());
    expected.push_back(testing::Xor(head));
    expected.push_back(0xAA);
    const Bytes full = ParameterAnswerOf(Initial());
    expected.insert(expected.end(), full.begin(), full.end());
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Hex(rig.Ask(Command(0x03), expected.size())), Hex(expected));
    }
    EXPECT_EQ(Hex(rig.Ask(Command(0x0A), 5)), "55 0A 0C 35 AA") << "only parameter answers";
}

TEST(SimulatedDetectorTest, InnerDelayAnswersComeUnasked) {
    SimOptions o = Fast();
    o.behaviour.innerDelayEvery = 30ms;
    o.behaviour.innerDelay = 0x1234;
    Rig rig(o);
    EXPECT_EQ(Hex(rig.line->Read(10, kAnswerTimeout)), "55 12 12 34 AA 55 12 12 34 AA");

    // Switched off at run time: what was already queued may still come, then
    // nothing more.
    SimBehaviour b = rig.sim->Behaviour();
    b.innerDelayEvery = 0ms;
    rig.sim->SetBehaviour(b);
    ASSERT_TRUE(rig.line->Send(Command(0x0A)));
    for (;;) {
        const std::string answer = Hex(rig.line->Read(5, kAnswerTimeout));
        if (answer == "55 0A 0C 35 AA") {
            break;
        }
        ASSERT_EQ(answer, "55 12 12 34 AA");
    }
    EXPECT_EQ(Hex(rig.Ask(Command(0x0A), 5)), "55 0A 0C 35 AA");
}

// The program's receiving rules, reduced to what this test needs: hunt for
// 0x55, take the code, read an answer of that kind (which kind a 0x02 starts
// depends on the awaited query), keep it only when its trailer is 0xAA; a
// byte that breaks a frame is consumed.
class ReferenceReceiver {
  public:
    enum Query { kNone = 0, kTemperature = 1, kVersion = 3, kRomAck = 4 };

    std::optional<Bytes> Feed(std::uint8_t b, Query pending) {
        switch (state_) {
            case State::kHeader:
                if (b == 0x55) {
                    frame_ = {b};
                    state_ = State::kCode;
                }
                return std::nullopt;
            case State::kCode:
                frame_.push_back(b);
                if (b == 0x03 || b == 0x11 || (b >= 0xE0 && b <= 0xEA)) {
                    state_ = State::kLength;
                } else if (b == 0x02) {
                    status_ = pending == kNone;
                    dataLeft_ = 2;
                    state_ = State::kShort;
                } else if (b == 0x12 || (b == 0x0A && pending == kTemperature)) {
                    status_ = false;
                    dataLeft_ = 2;
                    state_ = State::kShort;
                } else {
                    state_ = State::kHeader;
                }
                return std::nullopt;
            case State::kShort:
                frame_.push_back(b);
                if (status_) {
                    if (b != 0xE0) {
                        state_ = State::kTrailer;
                    }
                } else if (--dataLeft_ == 0) {
                    state_ = State::kTrailer;
                }
                return std::nullopt;
            case State::kLength:
                frame_.push_back(b);
                dataLeft_ = b;
                state_ = b == 0 ? State::kCheck : State::kPayload;
                return std::nullopt;
            case State::kPayload:
                frame_.push_back(b);
                if (--dataLeft_ == 0) {
                    state_ = State::kCheck;
                }
                return std::nullopt;
            case State::kCheck:
                frame_.push_back(b);
                state_ = State::kTrailer;
                return std::nullopt;
            case State::kTrailer:
                state_ = State::kHeader;
                if (b != 0xAA) {
                    return std::nullopt;
                }
                frame_.push_back(b);
                return frame_;
        }
        return std::nullopt;
    }

  private:
    enum class State { kHeader, kCode, kShort, kLength, kPayload, kCheck, kTrailer };
    State state_ = State::kHeader;
    Bytes frame_;
    bool status_ = false;
    int dataLeft_ = 0;
};

// Runs a fixed dialogue against a noisy detector; returns every byte that
// arrived. Each answer must come through the noise intact.
Bytes NoisyDialogue(std::uint32_t seed) {
    SimOptions o = Fast();
    o.behaviour.noise = true;
    o.seed = seed;
    Rig rig(o);
    const Bytes block = PatternBlock(11);
    const struct {
        Bytes frame;
        ReferenceReceiver::Query pending;
        Bytes answer;
    } steps[] = {
        {MemoryWrite(block), ReferenceReceiver::kNone, {0x55, 0x02, 0x01, 0xAA}},
        {Command(0x03), ReferenceReceiver::kNone, ParameterAnswerOf(block)},
        {Command(0x0A), ReferenceReceiver::kTemperature, {0x55, 0x0A, 0x0C, 0x35, 0xAA}},
        {Command(0x0C), ReferenceReceiver::kVersion, {0x55, 0x02, 0x12, 0x05, 0xAA}},
        {RomWrite(block), ReferenceReceiver::kRomAck, {0x55, 0x02, 0x00, 0x00, 0xAA}},
    };
    Bytes stream;
    std::size_t answerBytes = 0;
    ReferenceReceiver receiver;
    for (int round = 0; round < 4; ++round) {
        for (const auto& step : steps) {
            EXPECT_TRUE(rig.line->Send(step.frame));
            std::optional<Bytes> answer;
            while (!answer) {
                const Bytes one = rig.line->Read(1, kAnswerTimeout);
                if (one.empty()) {
                    ADD_FAILURE() << "no answer to " << Hex(step.frame).substr(0, 14) << " after "
                                  << Hex(stream);
                    return stream;
                }
                stream.push_back(one[0]);
                answer = receiver.Feed(one[0], step.pending);
            }
            EXPECT_EQ(Hex(*answer), Hex(step.answer)) << "round " << round;
            answerBytes += step.answer.size();
        }
    }
    EXPECT_GT(stream.size(), answerBytes) << "no noise at all";
    EXPECT_TRUE(
        rig.sim->WaitFor([](const SimCounters& c) { return c.answersSent == 20; }, kAnswerTimeout));
    return stream;
}

TEST(SimulatedDetectorTest, NoiseNeverBreaksAnAnswerAndRepeatsForASeed) {
    const Bytes first = NoisyDialogue(7);
    EXPECT_EQ(Hex(NoisyDialogue(7)), Hex(first)) << "the same seed must give the same line";
    EXPECT_NE(Hex(NoisyDialogue(8)), Hex(first));
}

TEST(SimulatedDetectorTest, HangUpClosesTheLineAfterTheGivenBytes) {
    TempDir dir;
    SimOptions o = Fast();
    o.hangupAfterBytes = 10;
    o.logFile = dir.Path() + "/sim.log";
    Rig rig(o);
    ASSERT_TRUE(rig.line->Send(Command(0x03)));
    const Bytes got = rig.line->Read(133, kAnswerTimeout);
    const Bytes whole = ParameterAnswerOf(Initial());
    EXPECT_EQ(Hex(got), Hex(Bytes(whole.begin(), whole.begin() + 10)));
    EXPECT_TRUE(rig.line->LineFailed()) << "the read must fail, not time out";
    EXPECT_TRUE(rig.sim->WaitFor([](const SimCounters& c) { return c.hungUp; }, kAnswerTimeout));
    EXPECT_FALSE(rig.line->Send(Command(0x03)) && rig.line->Read(1, 200ms).size() == 1);

    FarEnd again(rig.sim->SlavePath());
    EXPECT_FALSE(again.IsOpen()) << "an unplugged adapter cannot be opened again";

    const std::vector<std::string> lines = LogLines(o.logFile);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find(" tx! 55 03 80 00 0B"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" hup after 10 bytes"), std::string::npos) << lines[2];
    rig.sim->Stop();  // and it still stops cleanly
}

}  // namespace
}  // namespace kelm9d::sim
