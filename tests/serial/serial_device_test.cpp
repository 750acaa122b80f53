// The serial layer over real pseudo-terminals: the test plays the far end of
// the line on the master side.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/serial/port_names.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event.h"
#include "tests/serial/test_support.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;
using testing::PtyPair;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WaitUntil;

constexpr auto kDeadline = 5s;

bool SameTermios(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// One ReadExact on its own thread. If the read never ends, the destructor
// signals the stop event so that the thread can still be joined.
class AsyncRead {
  public:
    AsyncRead(SerialDevice& device, std::size_t count, StopEvent& stop)
        : stop_(stop), buffer_(count) {
        std::promise<ReadResult> promise;
        result_ = promise.get_future();
        thread_ = std::thread([this, &device, count, p = std::move(promise)]() mutable {
            p.set_value(device.ReadExact(buffer_.data(), count, stop_));
        });
    }
    ~AsyncRead() {
        if (result_.valid() && result_.wait_for(0s) != std::future_status::ready) {
            stop_.Signal();
        }
        thread_.join();
    }
    AsyncRead(const AsyncRead&) = delete;
    AsyncRead& operator=(const AsyncRead&) = delete;

    bool Done() const { return result_.wait_for(0s) == std::future_status::ready; }
    // Waits for the result up to the deadline; nullopt when the read is still on.
    std::optional<ReadResult> Wait() {
        if (result_.wait_for(kDeadline) != std::future_status::ready) {
            return std::nullopt;
        }
        return result_.get();
    }
    // Valid once Wait has returned a result.
    const std::vector<std::uint8_t>& bytes() const { return buffer_; }

  private:
    StopEvent& stop_;
    std::vector<std::uint8_t> buffer_;
    std::future<ReadResult> result_;
    std::thread thread_;
};

class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Valid());
        ASSERT_TRUE(stop_.Valid());
    }

    SerialDevice OpenPort() {
        SerialError error;
        SerialDevice device = SerialDevice::Open(pty_.slavePath(), error);
        EXPECT_TRUE(device.IsOpen()) << error.Describe();
        EXPECT_FALSE(error.Failed());
        return device;
    }

    termios SlaveTermios() const {
        termios t{};
        EXPECT_EQ(::tcgetattr(pty_.slave(), &t), 0);
        return t;
    }

    bool SlaveExclusive() const {
        int exclusive = -1;
        EXPECT_EQ(::ioctl(pty_.slave(), TIOCGEXCL, &exclusive), 0);
        return exclusive != 0;
    }

    // Settings nothing of ours would choose: cooked, echoing, 1200 baud, 7E1,
    // XON/XOFF and hardware flow control.
    void GiveSlaveForeignSettings() {
        termios t = SlaveTermios();
        t.c_lflag |= ICANON | ECHO | ISIG;
        t.c_iflag |= IXON | IXOFF | ICRNL;
        t.c_oflag |= OPOST;
        t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE | CLOCAL)) | CS7 | PARENB | CRTSCTS;
        ASSERT_EQ(::cfsetispeed(&t, B1200), 0);
        ASSERT_EQ(::cfsetospeed(&t, B1200), 0);
        ASSERT_EQ(::tcsetattr(pty_.slave(), TCSANOW, &t), 0);
    }

    PtyPair pty_;
    StopEvent stop_;
};

TEST_F(PtyTest, OpenCloseAndReopen) {
    SerialDevice device = OpenPort();
    EXPECT_TRUE(SlaveExclusive());
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    // The exclusive flag goes with us: the slave stays open on the test's
    // side, so the kernel would otherwise keep it set for the next user.
    EXPECT_FALSE(SlaveExclusive());
    device.Close();  // closing twice is harmless

    device = OpenPort();
    EXPECT_TRUE(device.IsOpen());
    SerialDevice moved = std::move(device);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_TRUE(moved.IsOpen());

    // Assigning over an open device closes that one.
    PtyPair other;
    ASSERT_TRUE(other.Valid());
    SerialError error;
    SerialDevice second = SerialDevice::Open(other.slavePath(), error);
    ASSERT_TRUE(second.IsOpen()) << error.Describe();
    EXPECT_FALSE(ProbePort(other.slavePath()));
    second = std::move(moved);
    EXPECT_TRUE(ProbePort(other.slavePath()));
    EXPECT_FALSE(ProbePort(pty_.slavePath()));
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(PtyTest, HeldPortIsRefused) {
    SerialDevice first = OpenPort();
    SerialError error;
    SerialDevice second = SerialDevice::Open(pty_.slavePath(), error);
    EXPECT_FALSE(second.IsOpen());
    // Root passes TIOCEXCL and is stopped by the lock; anyone else by TIOCEXCL.
    EXPECT_TRUE(error.code == EBUSY || error.code == EWOULDBLOCK) << error.code;
    EXPECT_EQ(error.Describe(), pty_.slavePath() + ": in use by another program");

    first.Close();
    SerialDevice third = OpenPort();
    EXPECT_TRUE(third.IsOpen());
}

TEST_F(PtyTest, PortMadeExclusiveByAnotherProgramIsTaken) {
    // A holder that sets TIOCEXCL and takes no lock.
    ASSERT_EQ(::ioctl(pty_.slave(), TIOCEXCL), 0);
    EXPECT_FALSE(ProbePort(pty_.slavePath()));
    SerialError error;
    SerialDevice device = SerialDevice::Open(pty_.slavePath(), error);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(error.code, EBUSY);
    // Our refused open must not clear the holder's flag.
    EXPECT_TRUE(SlaveExclusive());
    ASSERT_EQ(::ioctl(pty_.slave(), TIOCNXCL), 0);
    EXPECT_TRUE(ProbePort(pty_.slavePath()));
}

TEST_F(PtyTest, ProbeOnlyLooks) {
    GiveSlaveForeignSettings();
    const termios before = SlaveTermios();
    EXPECT_TRUE(ProbePort(pty_.slavePath()));
    EXPECT_TRUE(SameTermios(before, SlaveTermios()));
    EXPECT_FALSE(SlaveExclusive());
    // The probe's lock went with it: the port can be opened right after.
    SerialDevice device = OpenPort();
    EXPECT_FALSE(ProbePort(pty_.slavePath()));
    device.Close();
    EXPECT_TRUE(ProbePort(pty_.slavePath()));
}

TEST_F(PtyTest, NamedPortThroughThePortFolder) {
    TempDir folder;
    std::filesystem::create_symlink(pty_.slavePath(), folder / "com7");
    ScopedEnv env(kPortDirVariable, folder.path().string());

    EXPECT_TRUE(ProbePort("COM7"));
    EXPECT_FALSE(ProbePort("com8"));
    SerialError error;
    SerialDevice device = OpenNamedPort("Com7", error);
    ASSERT_TRUE(device.IsOpen()) << error.Describe();
    EXPECT_FALSE(ProbePort("com7"));

    SerialDevice second = OpenNamedPort("com7", error);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(error.port, "com7");
    EXPECT_EQ(error.path, folder / "com7");
    EXPECT_EQ(error.Describe(), "com7 (" + (folder / "com7") + "): in use by another program");
}

TEST_F(PtyTest, OpenMakesTheLineRawAndCloseGivesTheSettingsBack) {
    GiveSlaveForeignSettings();
    const termios found = SlaveTermios();
    SerialDevice device = OpenPort();

    termios t = SlaveTermios();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);

    SerialError error;
    ASSERT_TRUE(device.ApplyLineSettings(LineSettings{}, error)) << error.Describe();
    EXPECT_FALSE(SameTermios(found, SlaveTermios()));
    device.Close();
    EXPECT_TRUE(SameTermios(found, SlaveTermios()));
}

TEST_F(PtyTest, OpenPurgesWhatWaited) {
    termios raw = SlaveTermios();
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(pty_.slave(), TCSANOW, &raw), 0);
    ASSERT_TRUE(pty_.SendFromMaster(Pattern(5)));
    ASSERT_TRUE(WaitUntil([&] { return pty_.QueuedAtSlave() == 5; }));
    SerialDevice device = OpenPort();
    EXPECT_EQ(pty_.QueuedAtSlave(), 0);

    ASSERT_TRUE(pty_.SendFromMaster(Pattern(3)));
    ASSERT_TRUE(WaitUntil([&] { return pty_.QueuedAtSlave() == 3; }));
    EXPECT_TRUE(device.Purge());
    EXPECT_EQ(pty_.QueuedAtSlave(), 0);
}

TEST_F(PtyTest, LineSettingsReachTheLine) {
    // What a pseudo-terminal keeps: speed, stop bits and the raw flags. It
    // forces 8 data bits without parity; the termios tests cover those.
    SerialDevice device = OpenPort();
    struct Case {
        LineSettings settings;
        speed_t speed;
        bool twoStopBits;
    };
    const Case cases[] = {
        {{9600, 'N', 8, 1}, B9600, false}, {{19200, 'E', 7, 2}, B19200, true},
        {{1200, 'O', 5, 1}, B1200, false}, {{115200, 'M', 8, 2}, B115200, true},
        {{9600, 'N', 8, 1}, B9600, false},  // and back from all of that
    };
    for (const Case& c : cases) {
        SerialError error;
        ASSERT_TRUE(device.ApplyLineSettings(c.settings, error)) << error.Describe();
        const termios t = SlaveTermios();
        EXPECT_EQ(cfgetospeed(&t), c.speed) << c.settings.baudRate;
        EXPECT_EQ(cfgetispeed(&t), c.speed) << c.settings.baudRate;
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits) << c.settings.stopBits;
        EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL | CRTSCTS), static_cast<tcflag_t>(CREAD | CLOCAL));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | INPCK | ISTRIP), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    }
}

TEST_F(PtyTest, UnusableLineSettingsFailAndChangeNothing) {
    SerialDevice device = OpenPort();
    SerialError error;
    ASSERT_TRUE(device.ApplyLineSettings(LineSettings{}, error));
    const termios before = SlaveTermios();

    EXPECT_FALSE(device.ApplyLineSettings(LineSettings{12345, 'N', 8, 1}, error));
    EXPECT_EQ(error.operation, "baud");
    EXPECT_EQ(error.Describe(), pty_.slavePath() + ": baud rate not supported by the device");

    const LineSettings invalid[] = {{9600, 'X', 8, 1}, {9600, 'N', 9, 1}, {9600, 'N', 8, 3}};
    for (const LineSettings& settings : invalid) {
        EXPECT_FALSE(device.ApplyLineSettings(settings, error));
        EXPECT_EQ(error.code, EINVAL);
    }
    EXPECT_TRUE(SameTermios(before, SlaveTermios()));
}

TEST_F(PtyTest, ReadCompletesOnlyWhenEveryByteHasArrived) {
    SerialDevice device = OpenPort();
    // Every byte value that a cooked line would translate, eat or echo.
    const std::vector<std::uint8_t> sent = Pattern(255, 1);
    AsyncRead read(device, sent.size(), stop_);

    const std::size_t pieces[] = {1, 60, 194};
    std::size_t offset = 0;
    for (std::size_t piece : pieces) {
        ASSERT_FALSE(read.Done()) << "returned after " << offset << " bytes";
        ASSERT_TRUE(
            pty_.SendFromMaster({sent.begin() + static_cast<std::ptrdiff_t>(offset),
                                 sent.begin() + static_cast<std::ptrdiff_t>(offset + piece)}));
        offset += piece;
        // Wait until the reader has taken this piece in before the next one.
        if (offset < sent.size()) {
            ASSERT_TRUE(WaitUntil([&] { return pty_.QueuedAtSlave() == 0; }));
        }
    }
    const std::optional<ReadResult> result = read.Wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(offset, sent.size());
    EXPECT_EQ(result->outcome, ReadOutcome::kCompleted);
    EXPECT_EQ(result->count, sent.size());
    EXPECT_EQ(read.bytes(), sent);
}

TEST_F(PtyTest, StopEndsAWaitingRead) {
    SerialDevice device = OpenPort();
    {
        AsyncRead read(device, 1, stop_);
        stop_.Signal();
        const std::optional<ReadResult> result = read.Wait();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->outcome, ReadOutcome::kStopped);
        EXPECT_EQ(result->count, 0u);
    }
    // The event stays signalled until Reset; after it, reading goes on.
    std::uint8_t byte = 0;
    EXPECT_EQ(device.ReadExact(&byte, 1, stop_).outcome, ReadOutcome::kStopped);
    stop_.Reset();
    AsyncRead read(device, 1, stop_);
    ASSERT_TRUE(pty_.SendFromMaster({0x55}));
    const std::optional<ReadResult> result = read.Wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->outcome, ReadOutcome::kCompleted);
    EXPECT_EQ(read.bytes()[0], 0x55);
}

TEST_F(PtyTest, StopWinsOverWaitingBytesAndConsumesNone) {
    SerialDevice device = OpenPort();
    const std::vector<std::uint8_t> sent = Pattern(10, 0x30);
    ASSERT_TRUE(pty_.SendFromMaster(sent));
    ASSERT_TRUE(WaitUntil([&] { return pty_.QueuedAtSlave() == 10; }));

    stop_.Signal();
    std::vector<std::uint8_t> buffer(10);
    EXPECT_EQ(device.ReadExact(buffer.data(), buffer.size(), stop_).outcome, ReadOutcome::kStopped);
    EXPECT_EQ(device.ReadExact(buffer.data(), 0, stop_).outcome, ReadOutcome::kStopped);
    EXPECT_EQ(pty_.QueuedAtSlave(), 10);

    stop_.Reset();
    const ReadResult result = device.ReadExact(buffer.data(), buffer.size(), stop_);
    EXPECT_EQ(result.outcome, ReadOutcome::kCompleted);
    EXPECT_EQ(buffer, sent);
}

TEST_F(PtyTest, HangUpFailsEveryReadAtOnce) {
    SerialDevice device = OpenPort();
    {
        AsyncRead read(device, 1, stop_);
        pty_.CloseMaster();
        const std::optional<ReadResult> result = read.Wait();
        ASSERT_TRUE(result.has_value()) << "a hung-up line must end the read";
        EXPECT_EQ(result->outcome, ReadOutcome::kFailed);
        EXPECT_EQ(result->error.code, EIO);
        EXPECT_EQ(result->error.Describe(), pty_.slavePath() + ": read failed: the device hung up");
    }
    // A second read on the dead line ends too, instead of waiting for ever.
    AsyncRead again(device, 128, stop_);
    const std::optional<ReadResult> result = again.Wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->outcome, ReadOutcome::kFailed);

    // A write fails for the line, not for the deadline.
    std::uint32_t written = 99;
    SerialError error;
    const std::uint8_t frame[] = {0x55, 0x0A, 0x00, 0x0A, 0xAA};
    EXPECT_FALSE(device.Write(frame, sizeof frame, 60s, written, error));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(error.code, EIO);
    device.Close();  // giving back the settings on a dead line must not block
}

TEST_F(PtyTest, WriteDeliversExactBytes) {
    SerialDevice device = OpenPort();
    // Carriage returns, line feeds, XON/XOFF and the rest go out unchanged.
    const std::vector<std::uint8_t> frame = Pattern(300);
    std::uint32_t written = 0;
    SerialError error;
    ASSERT_TRUE(device.Write(frame.data(), frame.size(), 5000ms, written, error))
        << error.Describe();
    EXPECT_EQ(written, frame.size());
    EXPECT_EQ(pty_.ReceiveAtMaster(frame.size()), frame);
}

TEST_F(PtyTest, WriteTimesOutWhenTheLineDoesNotDrain) {
    SerialDevice device = OpenPort();
    std::uint32_t written = 12345;
    SerialError error;
    {
        // Far more than the pseudo-terminal holds, and the far end never reads.
        const std::vector<std::uint8_t> flood(4 << 20, 0x00);
        EXPECT_FALSE(device.Write(flood.data(), flood.size(), 200ms, written, error));
    }
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(error.code, ETIMEDOUT);
    EXPECT_EQ(error.Describe(), pty_.slavePath() + ": write timed out");

    // Once the far end reads again, the line works.
    const std::vector<std::uint8_t> marker = {0x55, 0x0C, 0xAA, 0x7E};
    std::vector<std::uint8_t> seen;
    std::atomic<bool> sent{false};
    std::thread drain([&] {
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::vector<std::uint8_t> got = pty_.ReceiveAtMaster(1);
            seen.insert(seen.end(), got.begin(), got.end());
            if (sent.load() && seen.size() >= marker.size() &&
                std::equal(marker.begin(), marker.end(), seen.end() - 4)) {
                return;
            }
        }
    });
    EXPECT_TRUE(device.Write(marker.data(), marker.size(), 5000ms, written, error))
        << error.Describe();
    sent = true;
    drain.join();
    EXPECT_EQ(written, marker.size());
    ASSERT_GE(seen.size(), marker.size());
    EXPECT_TRUE(std::equal(marker.begin(), marker.end(), seen.end() - 4));
}

TEST_F(PtyTest, WriteWhileAReadIsOutstanding) {
    SerialDevice device = OpenPort();
    AsyncRead read(device, 5, stop_);
    const std::vector<std::uint8_t> frame = Pattern(133, 0x80);
    std::uint32_t written = 0;
    SerialError error;
    ASSERT_TRUE(device.Write(frame.data(), frame.size(), 5000ms, written, error));
    EXPECT_EQ(pty_.ReceiveAtMaster(frame.size()), frame);

    const std::vector<std::uint8_t> answer = {0x55, 0x02, 0xE0, 0x01, 0xAA};
    ASSERT_TRUE(pty_.SendFromMaster(answer));
    const std::optional<ReadResult> result = read.Wait();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->outcome, ReadOutcome::kCompleted);
    EXPECT_EQ(read.bytes(), answer);
}

TEST(ClosedSerialDevice, EveryCallFailsAtOnce) {
    SerialDevice device;
    EXPECT_FALSE(device.IsOpen());
    std::uint32_t written = 7;
    SerialError error;
    const std::uint8_t frame[] = {0x55, 0x0A, 0x00, 0x0A, 0xAA};
    EXPECT_FALSE(device.Write(frame, sizeof frame, 5000ms, written, error));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(error.code, EBADF);
    EXPECT_EQ(error.Describe(), "port not open");

    StopEvent stop;
    std::uint8_t byte = 0;
    EXPECT_EQ(device.ReadExact(&byte, 1, stop).outcome, ReadOutcome::kFailed);
    EXPECT_FALSE(device.ApplyLineSettings(LineSettings{}, error));
    EXPECT_FALSE(device.Purge());
}

TEST(StopEvent, StaysSignalledUntilReset) {
    StopEvent event;
    ASSERT_TRUE(event.Valid());
    EXPECT_FALSE(event.IsSignalled());
    event.Signal();
    event.Signal();
    EXPECT_TRUE(event.IsSignalled());
    EXPECT_TRUE(event.IsSignalled());  // looking does not reset it
    event.Reset();                     // one Reset undoes any number of signals
    EXPECT_FALSE(event.IsSignalled());
    event.Reset();
    EXPECT_FALSE(event.IsSignalled());

    std::thread signaller([&event] { event.Signal(); });
    signaller.join();
    EXPECT_TRUE(event.IsSignalled());

    StopEvent moved = std::move(event);
    EXPECT_TRUE(moved.IsSignalled());
    EXPECT_FALSE(event.Valid());
    event.Signal();  // harmless on an empty event
    EXPECT_FALSE(event.IsSignalled());
}

TEST(StopEvent, WaitReturnsOnceSignalled) {
    StopEvent event;
    ASSERT_TRUE(event.Valid());
    std::promise<void> woke;
    std::future<void> wokeFuture = woke.get_future();
    std::thread waiter([&] {
        event.Wait();
        woke.set_value();
    });
    EXPECT_EQ(wokeFuture.wait_for(0s), std::future_status::timeout);
    event.Signal();
    const bool ended = wokeFuture.wait_for(kDeadline) == std::future_status::ready;
    waiter.join();
    EXPECT_TRUE(ended);
    event.Wait();  // still signalled: returns at once

    // An event the platform refused must not hang its waiter.
    StopEvent empty;
    StopEvent taken = std::move(empty);
    empty.Wait();
}

TEST_F(PtyTest, ReadWithoutAUsableStopEventFails) {
    SerialDevice device = OpenPort();
    StopEvent empty;
    StopEvent taken = std::move(empty);
    std::uint8_t byte = 0;
    // A read nothing could stop must not start.
    const ReadResult result = device.ReadExact(&byte, 1, empty);
    EXPECT_EQ(result.outcome, ReadOutcome::kFailed);
    EXPECT_EQ(result.error.code, EINVAL);
}

}  // namespace
}  // namespace kelm9d
