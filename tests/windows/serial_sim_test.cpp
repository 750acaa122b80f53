// The Windows serial layer against the simulated detector, which runs on
// Linux beside Wine: the port is a pseudo-terminal linked as a COM device.
// run_with_sim.sh starts the simulator and names the ports:
//   KELM9D_TEST_PORT          a detector that answers
//   KELM9D_TEST_HANGUP_PORT   one that hangs up after its first answer
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <string>

#include "link/detector_port.h"
#include "link/frames.h"
#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;

// Every wait on the line or a thread ends here at the latest.
constexpr auto kDeadline = 20s;

std::string PortFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}

class SimPort : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = PortFromEnvironment("KELM9D_TEST_PORT");
        if (port_.empty()) {
            GTEST_SKIP() << "KELM9D_TEST_PORT not set: run through run_with_sim.sh";
        }
    }

    SerialDevice OpenPort() {
        SerialError error;
        SerialDevice device = OpenNamedPort(port_, error);
        EXPECT_TRUE(device.IsOpen()) << error.Describe();
        if (device.IsOpen()) {
            EXPECT_TRUE(device.ApplyLineSettings(LineSettings{}, error)) << error.Describe();
        }
        return device;
    }

    static void SendTemperatureQuery(SerialDevice& device) {
        const CommandFrame frame = BuildCommandFrame(CommandCode::kTemperatureQuery);
        std::uint32_t written = 0;
        SerialError error;
        ASSERT_TRUE(device.Write(frame.data(), frame.size(), 5000ms, written, error))
            << error.Describe();
        EXPECT_EQ(written, frame.size());
    }

    // The simulator's default temperature, 31.25 degrees.
    static constexpr std::array<std::uint8_t, 5> kTemperatureAnswer = {0x55, 0x0A, 0x0C, 0x35,
                                                                       0xAA};

    std::string port_;
};

TEST_F(SimPort, ExactReadTakesTheWholeAnswer) {
    SerialDevice device = OpenPort();
    ASSERT_TRUE(device.IsOpen());
    EXPECT_TRUE(device.Purge());
    const StopEvent stop;
    for (int round = 0; round < 3; ++round) {
        SendTemperatureQuery(device);
        std::array<std::uint8_t, 5> answer{};
        const ReadResult result = device.ReadExact(answer.data(), answer.size(), stop);
        ASSERT_EQ(result.outcome, ReadOutcome::kCompleted) << result.error.Describe();
        EXPECT_EQ(result.count, answer.size());
        EXPECT_EQ(answer, kTemperatureAnswer);
    }
}

// Wine hands a COM port to every program that asks, whatever the share
// mode; Windows' serial driver refuses a second one.
bool RunsOnWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST_F(SimPort, HeldPortIsRefusedAsInUseUntilClosed) {
    if (RunsOnWine()) {
        GTEST_SKIP() << "Wine does not keep a second program off a COM port";
    }
    SerialDevice first = OpenPort();
    ASSERT_TRUE(first.IsOpen());
    SerialError error;
    SerialDevice second = OpenNamedPort(port_, error);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(error.code, EBUSY);
    EXPECT_NE(error.Describe().find("in use by another program"), std::string::npos)
        << error.Describe();
    first.Close();
    EXPECT_TRUE(ProbePort(port_));
    SerialDevice third = OpenNamedPort(port_, error);
    EXPECT_TRUE(third.IsOpen()) << error.Describe();
}

TEST_F(SimPort, StopEndsAnOutstandingReadAndLosesNothingAfter) {
    SerialDevice device = OpenPort();
    ASSERT_TRUE(device.IsOpen());
    StopEvent stop;
    std::uint8_t byte = 0;
    // Nothing comes unasked: the read stays outstanding until the stop.
    std::future<ReadResult> reading =
        std::async(std::launch::async, [&] { return device.ReadExact(&byte, 1, stop); });
    EXPECT_EQ(reading.wait_for(200ms), std::future_status::timeout);
    stop.Signal();
    ASSERT_EQ(reading.wait_for(kDeadline), std::future_status::ready);
    EXPECT_EQ(reading.get().outcome, ReadOutcome::kStopped);

    // The cancelled read took nothing away from the next answer.
    stop.Reset();
    SendTemperatureQuery(device);
    std::array<std::uint8_t, 5> answer{};
    const ReadResult result = device.ReadExact(answer.data(), answer.size(), stop);
    ASSERT_EQ(result.outcome, ReadOutcome::kCompleted) << result.error.Describe();
    EXPECT_EQ(answer, kTemperatureAnswer);
}

TEST_F(SimPort, StopWinsOverArrivedBytes) {
    SerialDevice device = OpenPort();
    ASSERT_TRUE(device.IsOpen());
    StopEvent stop;
    stop.Signal();
    SendTemperatureQuery(device);
    std::array<std::uint8_t, 5> answer{};
    EXPECT_EQ(device.ReadExact(answer.data(), answer.size(), stop).outcome, ReadOutcome::kStopped);
}

TEST_F(SimPort, DetectorPortAnswersAQueryAndClosesWhileReading) {
    CDetectorPort port;
    ASSERT_TRUE(port.Open(port_)) << port.LastError().Describe();
    EXPECT_TRUE(port.ApplyLineSettings());
    port.pendingQuery = kTemperatureQuery;
    const CommandFrame frame = BuildCommandFrame(CommandCode::kTemperatureQuery);
    std::uint32_t written = 0;
    ASSERT_TRUE(port.WriteBytes(frame, written));
    EXPECT_EQ(written, frame.size());
    ASSERT_TRUE(port.WaitForPendingQueryClear(kDeadline));
    EXPECT_EQ(port.temperature.load(), 3125.0F);
    // The reader is waiting on its next byte: Close ends it and returns.
    std::future<void> closing = std::async(std::launch::async, [&] { port.Close(); });
    ASSERT_EQ(closing.wait_for(kDeadline), std::future_status::ready);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.ReadFailed());
}

TEST(SimHangUp, ReadsFailAtOnceAfterTheLineHungUp) {
    const std::string name = PortFromEnvironment("KELM9D_TEST_HANGUP_PORT");
    if (name.empty()) {
        GTEST_SKIP() << "KELM9D_TEST_HANGUP_PORT not set: run through run_with_sim.sh";
    }
    SerialError error;
    SerialDevice device = OpenNamedPort(name, error);
    ASSERT_TRUE(device.IsOpen()) << error.Describe();
    const CommandFrame frame = BuildCommandFrame(CommandCode::kTemperatureQuery);
    std::uint32_t written = 0;
    ASSERT_TRUE(device.Write(frame.data(), frame.size(), 5000ms, written, error));
    const StopEvent stop;
    // The simulator hangs up after the answer's five bytes: the next read
    // fails instead of waiting for ever, and so does every one after it.
    std::future<void> reading = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 5> answer{};
        const ReadResult first = device.ReadExact(answer.data(), answer.size(), stop);
        EXPECT_EQ(first.outcome, ReadOutcome::kCompleted) << first.error.Describe();
        std::uint8_t byte = 0;
        const ReadResult after = device.ReadExact(&byte, 1, stop);
        EXPECT_EQ(after.outcome, ReadOutcome::kFailed);
        EXPECT_EQ(device.ReadExact(&byte, 1, stop).outcome, ReadOutcome::kFailed);
    });
    ASSERT_EQ(reading.wait_for(kDeadline), std::future_status::ready);
    reading.get();
}

}  // namespace
}  // namespace kelm9d
