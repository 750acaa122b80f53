// Parsing kelm9d-sim's command line into options.
#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/sim/far_end.h"
#include "tests/sim/temp_dir.h"

namespace kelm9d::sim {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

TEST(CommandLineTest, DefaultsAreTheRealDetector) {
    CommandLine c;
    ASSERT_FALSE(ParseCommandLine({}, c).Failed());
    const SimBehaviour& b = c.options.behaviour;
    EXPECT_TRUE(b.pacing);
    EXPECT_EQ(b.latency, 2ms);
    EXPECT_EQ(b.burnTime, 300ms);
    EXPECT_TRUE(b.romAck);
    EXPECT_FALSE(b.silent || b.noise || b.badTrailer || b.shortAnswer);
    EXPECT_EQ(b.innerDelayEvery, 0ms);
    EXPECT_EQ(b.innerDelay, 250);
    EXPECT_EQ(b.temperatureCode, 0x0A);
    EXPECT_FALSE(c.options.initialBlock.has_value());
    EXPECT_FALSE(c.options.hangupAfterBytes.has_value());
    EXPECT_FALSE(c.help || c.ignoreStdin);
}

TEST(CommandLineTest, EveryOptionReachesItsField) {
    const struct {
        Args args;
        std::function<bool(const CommandLine&)> holds;
    } cases[] = {
        {{"--link", "/tmp/x/com1"}, [](auto& c) { return c.options.linkPath == "/tmp/x/com1"; }},
        {{"--link=/tmp/y"}, [](auto& c) { return c.options.linkPath == "/tmp/y"; }},
        {{"--rom", "r.bin"}, [](auto& c) { return c.options.romFile == "r.bin"; }},
        {{"--log", "l.txt"}, [](auto& c) { return c.options.logFile == "l.txt"; }},
        {{"--burn-ms", "1200"}, [](auto& c) { return c.options.behaviour.burnTime == 1200ms; }},
        {{"--latency-ms", "0"}, [](auto& c) { return c.options.behaviour.latency == 0ms; }},
        {{"--no-pacing"}, [](auto& c) { return !c.options.behaviour.pacing; }},
        {{"--temperature", "23.45"},
         [](auto& c) { return c.options.behaviour.temperatureHundredths == 2345; }},
        {{"--temperature", "0.005"},  // rounds to nearest
         [](auto& c) { return c.options.behaviour.temperatureHundredths == 1; }},
        {{"--temperature", "655.35"},
         [](auto& c) { return c.options.behaviour.temperatureHundredths == 65535; }},
        {{"--temp-code", "2"}, [](auto& c) { return c.options.behaviour.temperatureCode == 2; }},
        {{"--temp-code", "0x0B"},
         [](auto& c) { return c.options.behaviour.temperatureCode == 0x0B; }},
        {{"--version", "1.2.5"},
         [](auto& c) {
             const BoardVersion& v = c.options.behaviour.version;
             return v.major == 1 && v.minor == 2 && v.patch == 5;
         }},
        {{"--version", "9.0.99"},
         [](auto& c) {
             const BoardVersion& v = c.options.behaviour.version;
             return v.major == 9 && v.minor == 0 && v.patch == 99;
         }},
        {{"--silent"}, [](auto& c) { return c.options.behaviour.silent; }},
        {{"--no-rom-ack"}, [](auto& c) { return !c.options.behaviour.romAck; }},
        {{"--ack-delay-ms", "7000"},
         [](auto& c) { return c.options.behaviour.ackDelay == 7000ms; }},
        {{"--noise", "--seed", "42"},
         [](auto& c) { return c.options.behaviour.noise && c.options.seed == 42; }},
        {{"--bad-trailer"}, [](auto& c) { return c.options.behaviour.badTrailer; }},
        {{"--short-answer"}, [](auto& c) { return c.options.behaviour.shortAnswer; }},
        {{"--inner-delay-every-ms", "250", "--inner-delay", "65535"},
         [](auto& c) {
             return c.options.behaviour.innerDelayEvery == 250ms &&
                    c.options.behaviour.innerDelay == 65535;
         }},
        {{"--hangup-after-bytes", "0"},
         [](auto& c) { return c.options.hangupAfterBytes == std::uint64_t{0}; }},
        {{"--hangup-after-bytes", "140"},
         [](auto& c) { return c.options.hangupAfterBytes == std::uint64_t{140}; }},
        {{"--ignore-stdin"}, [](auto& c) { return c.ignoreStdin; }},
        {{"--help"}, [](auto& c) { return c.help; }},
        {{"-h"}, [](auto& c) { return c.help; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        CommandLine parsed;
        const SimError e = ParseCommandLine(c.args, parsed);
        ASSERT_FALSE(e.Failed()) << e.message;
        EXPECT_TRUE(c.holds(parsed));
    }
}

TEST(CommandLineTest, RefusesBadOptionsNamingThem) {
    const struct {
        Args args;
        const char* named;  // the message must mention this
    } cases[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"com1"}, "com1"},
        {{"--link"}, "--link"},
        {{"--burn-ms", "-5"}, "--burn-ms"},
        {{"--burn-ms", "12ms"}, "--burn-ms"},
        {{"--latency-ms", ""}, "--latency-ms"},
        {{"--ack-delay-ms", "99999999999"}, "--ack-delay-ms"},
        {{"--temperature", "-1"}, "--temperature"},
        {{"--temperature", "655.36"}, "--temperature"},
        {{"--temperature", "warm"}, "--temperature"},
        {{"--temperature", "nan"}, "--temperature"},
        {{"--temp-code", "256"}, "--temp-code"},
        {{"--version", "10.0.0"}, "--version"},
        {{"--version", "1.2"}, "--version"},
        {{"--version", "1.2.100"}, "--version"},
        {{"--version", "1.2.5.1"}, "--version"},
        {{"--version", "1.+2.5"}, "--version"},
        {{"--inner-delay", "65536"}, "--inner-delay"},
        {{"--seed", "4294967296"}, "--seed"},
        {{"--silent=yes"}, "--silent"},
        {{"--block", "/nonexistent/block.bin"}, "/nonexistent/block.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
        CommandLine parsed;
        const SimError e = ParseCommandLine(c.args, parsed);
        EXPECT_EQ(e.kind, SimErrorKind::kBadInput);
        EXPECT_NE(e.message.find(c.named), std::string::npos) << e.message;
    }
}

TEST(CommandLineTest, BlockFileIsLoadedOrRefused) {
    testing::TempDir dir;
    const testing::Bytes block = testing::PatternBlock(5);
    const std::string good = dir.Path() + "/good.blk";
    const std::string bad = dir.Path() + "/bad.blk";
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(block.size()));
    std::ofstream(bad, std::ios::binary) << "55 03";

    CommandLine parsed;
    ASSERT_FALSE(ParseCommandLine({"--block", good}, parsed).Failed());
    ASSERT_TRUE(parsed.options.initialBlock.has_value());
    EXPECT_EQ(
        testing::Bytes(parsed.options.initialBlock->begin(), parsed.options.initialBlock->end()),
        block);

    const SimError e = ParseCommandLine({"--block", bad}, parsed);
    EXPECT_EQ(e.kind, SimErrorKind::kBadInput);
    EXPECT_NE(e.message.find("bad.blk"), std::string::npos) << e.message;
}

}  // namespace
}  // namespace kelm9d::sim
