#include "link/detector_port.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <future>
#include <thread>
#include <utility>
#include <vector>

#include "params/parameter_block.h"
#include "tests/link/pty_peer.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using testing::PtyPeer;

constexpr auto kDeadline = 5s;

Bytes ParameterAnswer(std::uint8_t seed, std::uint8_t length = 0x80) {
    Bytes frame = {0x55, 0x03, length};
    std::uint8_t check = 0;
    for (int i = 0; i < length; ++i) {
        const auto b = static_cast<std::uint8_t>(seed + 3 * i);
        frame.push_back(b);
        check = static_cast<std::uint8_t>(check ^ b);
    }
    frame.push_back(check);
    frame.push_back(0xAA);
    return frame;
}

DetectorParams Decoded(const Bytes& answer) {
    DetectorParams p;
    DecodeParameterBlock(std::span<const std::uint8_t, kParameterFrameMinBytes>(
                             answer.data(), kParameterFrameMinBytes),
                         p);
    return p;
}

class DetectorPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        ASSERT_TRUE(port.Open(peer.slavePath())) << port.LastError().Describe();
        port.ApplyLineSettings();
    }

    PtyPeer peer;
    CDetectorPort port;
};

TEST(DetectorPortLifecycle, OpenCloseReopenAndRefusals) {
    PtyPeer peer;
    ASSERT_TRUE(peer.ok());
    CDetectorPort port;
    std::uint32_t written = 99;
    EXPECT_FALSE(port.WriteBytes(Bytes{0x55}, written));  // closed: fails at once
    EXPECT_EQ(written, 0U);
    EXPECT_FALSE(port.ApplyLineSettings());
    EXPECT_FALSE(port.SendParameterBlock(ParamWriteMode::WorkingMemory));

    EXPECT_FALSE(port.Open("/dev/kelm9d-no-such-tty"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.LastError().Describe().empty());

    ASSERT_TRUE(port.Open(peer.slavePath()));
    CDetectorPort second;
    EXPECT_FALSE(second.Open(peer.slavePath())) << "a held port must be refused";
    ASSERT_TRUE(port.Open(peer.slavePath())) << "reopening closes the old connection first";
    port.Close();
    port.Close();  // twice is harmless
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(second.Open(peer.slavePath())) << "a released port can be opened again";
}

TEST_F(DetectorPortTest, LineSettingsAlways9600_8N1) {
    port.baudRate = 1200;
    port.parity = 2;
    ASSERT_TRUE(port.ApplyLineSettings());
    const termios t = peer.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0U);
}

TEST_F(DetectorPortTest, WriteFramesGoOutByteForByte) {
    DetectorParams record;
    record.cfgType = 0x01;
    record.productCode = 0x0B;
    ASSERT_TRUE(port.SendParameterBlock(ParamWriteMode::WorkingMemory, record));
    Bytes expected = {0x55, 0x02, 0x80, 0x01, 0x0B};
    expected.resize(3 + 128, 0x00);
    expected.push_back(0x0A);
    expected.push_back(0xAA);
    EXPECT_EQ(peer.Receive(133), expected);
    EXPECT_EQ(port.CopyParams(), record) << "the record sent becomes the record";

    ASSERT_TRUE(port.SendParameterBlock(ParamWriteMode::Rom));
    expected[0] = 0xEC;
    expected[1] = 0xA6;
    expected[131] = 0xBD;
    expected[132] = 0x98;
    EXPECT_EQ(peer.Receive(133), expected);

    const std::pair<CommandCode, Bytes> commands[] = {
        {CommandCode::kRead, {0x55, 0x03, 0x00, 0x00, 0xAA}},
        {CommandCode::kReset, {0x55, 0x01, 0x00, 0x00, 0xAA}},
        {CommandCode::kTemperatureQuery, {0x55, 0x0A, 0x00, 0x00, 0xAA}},
        {CommandCode::kReadBoardVersionQuery, {0x55, 0x0C, 0x00, 0x00, 0xAA}},
    };
    for (const auto& [code, bytes] : commands) {
        std::uint32_t written = 0;
        ASSERT_TRUE(port.WriteBytes(BuildCommandFrame(code), written));
        EXPECT_EQ(written, 5U);
        EXPECT_EQ(peer.Receive(5), bytes);
    }
}

TEST_F(DetectorPortTest, ParameterAnswerFillsTheRecordOnce) {
    const Bytes answer = ParameterAnswer(0x21);
    ASSERT_TRUE(peer.Send(answer));
    ASSERT_TRUE(port.WaitForParameterAnswerAfter(0, kDeadline));
    EXPECT_EQ(port.CopyParams(), Decoded(answer));
    EXPECT_EQ(port.ParameterAnswerCount(), 1U);
}

std::atomic<int> longAnswersSeen{0};
void CountLongAnswers(std::int32_t kind, const std::uint8_t*, std::int32_t, void*) {
    if (kind == CDetectorPort::kRawLongAnswer)
        ++longAnswersSeen;
}

TEST(DetectorPortAnswers, ShortLongAnswerLeavesTheRecordAlone) {
    PtyPeer peer;
    CDetectorPort port;
    port.rawDataCallback = &CountLongAnswers;  // observers are set before Open
    longAnswersSeen = 0;
    ASSERT_TRUE(port.Open(peer.slavePath()));
    ASSERT_TRUE(peer.Send(ParameterAnswer(0x40, 16)));
    ASSERT_TRUE(port.WaitFor([] { return longAnswersSeen.load() == 1; }, kDeadline));
    EXPECT_EQ(port.ParameterAnswerCount(), 0U);
    EXPECT_EQ(port.CopyParams(), DetectorParams{});

    const Bytes full = ParameterAnswer(0x50);
    ASSERT_TRUE(peer.Send(full));
    ASSERT_TRUE(port.WaitForParameterAnswerAfter(0, kDeadline));
    EXPECT_EQ(port.CopyParams(), Decoded(full));
}

TEST_F(DetectorPortTest, ShortAnswersLandInTheStatusFields) {
    EXPECT_EQ(port.temperature.load(), 0.0F);
    EXPECT_EQ(port.readBoardVersionValue(), ReadBoardVersion{});

    port.pendingQuery = kTemperatureQuery;
    ASSERT_TRUE(peer.Send({0x41, 0x55, 0x0A, 0x09, 0xC4, 0xAA}));
    ASSERT_TRUE(port.WaitForPendingQueryClear(kDeadline));
    EXPECT_EQ(port.temperature.load(), 2500.0F);

    port.pendingQuery = kReadBoardVersionQuery;
    ASSERT_TRUE(peer.Send({0x55, 0x02, 0x12, 0x05, 0xAA}));
    ASSERT_TRUE(port.WaitForPendingQueryClear(kDeadline));
    EXPECT_EQ(port.readBoardVersionValue(), (ReadBoardVersion{1, 2, 5}));

    ASSERT_TRUE(peer.Send({0x55, 0x12, 0x01, 0xF4, 0xAA}));
    ASSERT_TRUE(port.WaitFor([&] { return port.innerDelayMeasured.load() == 500; }, kDeadline));

    port.pendingQuery = kWriteRomAck;
    port.writeRomPending = true;
    ASSERT_TRUE(peer.Send({0x55, 0x02, 0x00, 0x00, 0xAA}));
    ASSERT_TRUE(port.WaitForWriteRomAck(kDeadline));
    EXPECT_EQ(port.pendingQuery.load(), kNoQuery);
    EXPECT_FALSE(port.WaitForWriteRomAck(0ms) && port.writeRomPending.load());
}

TEST_F(DetectorPortTest, WaitsTimeOutWhenNothingArrives) {
    EXPECT_FALSE(port.WaitForParameterAnswerAfter(0, 20ms));
    port.pendingQuery = kTemperatureQuery;
    EXPECT_FALSE(port.WaitForPendingQueryClear(20ms));
}

TEST(DetectorPortHook, CalledOnTheReaderThreadAfterEachAnswer) {
    PtyPeer peer;
    CDetectorPort port;
    std::atomic<int> calls{0};
    port.SetChangeHook([&] { ++calls; });
    ASSERT_TRUE(port.Open(peer.slavePath()));
    ASSERT_TRUE(peer.Send(ParameterAnswer(0x10)));
    ASSERT_TRUE(peer.Send({0x55, 0x12, 0x00, 0x01, 0xAA}));
    EXPECT_TRUE(port.WaitFor([&] { return calls.load() == 2; }, kDeadline));
}

TEST(DetectorPortClose, ReturnsWhileThePeerKeepsSending) {
    PtyPeer peer;
    CDetectorPort port;
    ASSERT_TRUE(port.Open(peer.slavePath()));
    std::atomic<bool> sending{true};
    std::thread flood([&] {
        const Bytes noise(64, 0x33);
        while (sending) {
            // Never blocks: once the port is closed nobody drains the line.
            if (::write(peer.master(), noise.data(), noise.size()) < 0)
                std::this_thread::yield();
        }
    });
    auto closed = std::async(std::launch::async, [&] { port.Close(); });
    EXPECT_EQ(closed.wait_for(kDeadline), std::future_status::ready);
    sending = false;
    flood.join();
    closed.wait();
    EXPECT_FALSE(port.IsOpen());
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

TEST(DetectorPortHangUp, ReaderStopsReadingInsteadOfSpinning) {
    PtyPeer peer;
    CDetectorPort port;
    ASSERT_TRUE(port.Open(peer.slavePath()));
    peer.CloseMaster();  // the adapter is unplugged
    ASSERT_TRUE(port.WaitFor([&] { return port.ReadFailed(); }, kDeadline));

    // A spinning reader would burn a whole core over this window.
    const double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(ProcessCpuSeconds() - before, 0.1);

    EXPECT_FALSE(port.SendParameterBlock(ParamWriteMode::WorkingMemory));
    auto closed = std::async(std::launch::async, [&] { port.Close(); });
    EXPECT_EQ(closed.wait_for(kDeadline), std::future_status::ready);
}

TEST(DetectorPortReconnect, HalfAnAnswerDoesNotSurviveAReopen) {
    PtyPeer peer;
    CDetectorPort port;
    ASSERT_TRUE(port.Open(peer.slavePath()));
    const Bytes first = ParameterAnswer(0x01);
    ASSERT_TRUE(peer.Send(Bytes(first.begin(), first.begin() + 70)));
    // Let the reader take in the half answer before the connection ends.
    ASSERT_TRUE(port.WaitFor([&] { return peer.UnreadBySlave() == 0; }, kDeadline));
    port.Close();
    ASSERT_TRUE(port.Open(peer.slavePath()));
    const Bytes second = ParameterAnswer(0x77);
    ASSERT_TRUE(peer.Send(second));
    ASSERT_TRUE(port.WaitForParameterAnswerAfter(0, kDeadline));
    EXPECT_EQ(port.CopyParams(), Decoded(second));
    EXPECT_EQ(port.ParameterAnswerCount(), 1U);
}

}  // namespace
}  // namespace kelm9d
