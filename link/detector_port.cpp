#include "link/detector_port.h"

#include <array>
#include <system_error>

#include "link/frame_receiver.h"
#include "params/parameter_block.h"
#include "platform/serial/port_names.h"

namespace kelm9d {
namespace {

std::uint64_t PackVersion(const ReadBoardVersion& v) {
    return (std::uint64_t{v.major} << 32) | (std::uint64_t{v.minor} << 16) | v.patch;
}

ReadBoardVersion UnpackVersion(std::uint64_t packed) {
    return ReadBoardVersion{static_cast<std::uint16_t>(packed >> 32),
                            static_cast<std::uint16_t>(packed >> 16),
                            static_cast<std::uint16_t>(packed)};
}

char ParityLetter(std::int32_t parity) {
    // The platform's parity numbering: none, odd, even, mark, space.
    switch (parity & 0xFF) {
        case 1:
            return 'O';
        case 2:
            return 'E';
        case 3:
            return 'M';
        case 4:
            return 'S';
        default:
            return 'N';
    }
}

}  // namespace

// Carries the receiver's findings into the port's shared state. Lives on the
// reader thread's stack; allocates nothing per byte or per answer.
class CDetectorPort::ReaderSink final : public ReceiverSink {
  public:
    explicit ReaderSink(CDetectorPort& port) : port_(port) {}

    int PendingQuery() const override { return port_.pendingQuery.load(); }

    void OnStrayByte(std::uint8_t byte) override {
        if (port_.rawDataCallback != nullptr) {
            port_.rawDataCallback(kRawStrayByte, &byte, 1, port_.rawDataContext);
        }
    }

    void OnLongAnswer(std::span<const std::uint8_t> frame) override {
        // Only an answer that carries a whole block is decoded: a shorter one
        // would leave stale bytes of earlier answers in the record.
        if (frame.size() >= kParameterFrameMinBytes + 2) {
            DetectorParams decoded;
            DecodeParameterBlock(frame.first<kParameterFrameMinBytes>(), decoded);
            port_.StoreDecoded(decoded);
        }
        if (port_.rawDataCallback != nullptr) {
            port_.rawDataCallback(kRawLongAnswer, frame.data(),
                                  static_cast<std::int32_t>(frame.size()), port_.rawDataContext);
        }
        port_.AnnounceChange();
    }

    void OnStatusReported(int result) override {
        if (port_.statusCallback != nullptr) {
            port_.statusCallback(result, port_.statusContext);
        }
    }

    void OnInnerDelay(std::uint16_t innerDelay, int lastStatusResult) override {
        port_.innerDelayMeasured.store(innerDelay);
        if (port_.statusCallback != nullptr) {
            port_.statusCallback(lastStatusResult, port_.statusContext);
        }
        port_.AnnounceChange();
    }

    void OnTemperature(float hundredths) override {
        port_.temperature.store(hundredths);
        Answered();
    }

    void OnQuery2Answer() override { Answered(); }

    void OnReadBoardVersion(const ReadBoardVersion& version) override {
        port_.packedReadBoardVersion.store(PackVersion(version));
        Answered();
    }

    void OnWriteRomAck() override {
        port_.writeRomPending.store(false);
        Answered();
    }

  private:
    void Answered() {
        port_.pendingQuery.store(kNoQuery);
        port_.AnnounceChange();
    }

    CDetectorPort& port_;
};

CDetectorPort::~CDetectorPort() {
    Close();
}

bool CDetectorPort::Open(const std::string& portName) {
    if (hComm.IsOpen()) {
        Close();
    }
    lastError = SerialError{};
    readFailed.store(false);
    hComm = OpenNamedPort(portName, lastError);
    if (!hComm.IsOpen()) {
        return false;
    }
    hComm.Purge();
    hStopEvent = StopEvent();
    if (!hStopEvent.Valid()) {
        lastError = SerialError{0, "stop event", portName, {}};
        hComm.Close();
        return false;
    }
    try {
        hThread = std::thread(&CDetectorPort::ReaderThreadProc, this);
    } catch (const std::system_error& e) {
        lastError = SerialError{e.code().value(), "reader thread", portName, {}};
        hStopEvent = StopEvent();
        hComm.Close();
        return false;
    }
    return true;
}

bool CDetectorPort::ApplyLineSettings() {
    if (!hComm.IsOpen()) {
        return false;
    }
    LineSettings settings;
    settings.baudRate = static_cast<std::uint32_t>(baudRate);
    settings.parity = ParityLetter(parity);
    settings.dataBits = 8;
    settings.stopBits = 1;
    if (!ParseLineMode(kLineMode, settings)) {
        return false;
    }
    return hComm.ApplyLineSettings(settings, lastError);
}

bool CDetectorPort::WriteBytes(std::span<const std::uint8_t> bytes, std::uint32_t& written) {
    written = 0;
    if (!hComm.IsOpen()) {
        return false;
    }
    return hComm.Write(bytes.data(), bytes.size(), kWriteLimit, written, lastError);
}

void CDetectorPort::Close() {
    if (!hComm.IsOpen()) {
        return;
    }
    hStopEvent.Signal();
    if (hThread.joinable()) {
        hThread.join();
    }
    hStopEvent = StopEvent();
    hComm.Close();
}

bool CDetectorPort::SendParameterBlock(ParamWriteMode mode) {
    return SendParameterBlock(mode, CopyParams());
}

bool CDetectorPort::SendParameterBlock(ParamWriteMode mode, const DetectorParams& record) {
    ParameterBlock block{};
    {
        std::lock_guard lock(mutex);
        params = record;
        EncodeParameterBlock(params, block);
    }
    const WriteFrame frame = BuildWriteFrame(mode, block);
    std::uint32_t written = 0;
    return WriteBytes(frame, written) && written == frame.size();
}

DetectorParams CDetectorPort::CopyParams() const {
    std::lock_guard lock(mutex);
    return params;
}

void CDetectorPort::StoreParams(const DetectorParams& record) {
    std::lock_guard lock(mutex);
    params = record;
}

std::uint64_t CDetectorPort::ParameterAnswerCount() const {
    std::lock_guard lock(mutex);
    return parameterAnswers;
}

ReadBoardVersion CDetectorPort::readBoardVersionValue() const {
    return UnpackVersion(packedReadBoardVersion.load());
}

bool CDetectorPort::WaitFor(const std::function<bool()>& condition,
                            std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] {
        // The condition may read the record: let it take the lock itself.
        lock.unlock();
        const bool holds = condition();
        lock.lock();
        return holds;
    });
}

bool CDetectorPort::WaitForParameterAnswerAfter(std::uint64_t count,
                                                std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return parameterAnswers > count; });
}

bool CDetectorPort::WaitForPendingQueryClear(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return pendingQuery.load() == kNoQuery; });
}

bool CDetectorPort::WaitForWriteRomAck(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return !writeRomPending.load(); });
}

void CDetectorPort::SetChangeHook(std::function<void()> hook) {
    changeHook = std::move(hook);
}

void CDetectorPort::StoreDecoded(const DetectorParams& record) {
    std::lock_guard lock(mutex);
    params = record;
    ++parameterAnswers;
}

void CDetectorPort::AnnounceChange() {
    {
        // Taking the mutex orders the atomic stores before a waiter's next
        // check, so a wake-up can never slip between its check and its wait.
        std::lock_guard lock(mutex);
    }
    changed.notify_all();
    if (changeHook) {
        changeHook();
    }
}

void CDetectorPort::ReaderThreadProc() {
    ReaderSink sink(*this);
    FrameReceiver receiver(sink);
    std::array<std::uint8_t, FrameReceiver::kReadBufferBytes> readBuffer{};

    while (true) {
        const std::size_t want = receiver.NextReadLength();
        const ReadResult result = hComm.ReadExact(readBuffer.data(), want, hStopEvent);
        if (result.outcome == ReadOutcome::kStopped) {
            return;
        }
        if (result.outcome == ReadOutcome::kFailed) {
            // The device went away: every further read would fail at once.
            // Wait for the stop event only, instead of spinning.
            receiver.Abandon();
            readFailed.store(true);
            AnnounceChange();
            hStopEvent.Wait();
            return;
        }
        if (result.count != want) {
            receiver.Abandon();
            continue;
        }
        receiver.Feed(std::span<const std::uint8_t>(readBuffer.data(), want));
    }
}

}  // namespace kelm9d
