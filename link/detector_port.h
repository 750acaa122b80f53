// The one connection to the detector: the serial device, the reader thread
// that turns received bytes into answers, the status values the answers
// carry, and the detector's parameter record.
//
// Threads meet here and nowhere else. The window's thread calls every
// operation; the reader thread only reads the line. Scalars they share are
// atomics; the record is stored and copied whole under one mutex, so no one
// ever sees half a record. Every change the reader makes is announced through
// the condition variable and the change hook, so that waiting costs nothing.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "link/frames.h"
#include "params/detector_params.h"
#include "platform/serial/serial_error.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/stop_event.h"

namespace kelm9d {

class CDetectorPort {
  public:
    // Observers of the reader thread. Nothing in the program sets them; they
    // are called on the reader thread and must be set before Open.
    using RawDataCallback = void (*)(std::int32_t kind, const std::uint8_t* bytes,
                                     std::int32_t length, void* context);
    using StatusCallback = void (*)(std::int32_t result, void* context);
    static constexpr std::int32_t kRawStrayByte = 0;
    static constexpr std::int32_t kRawLongAnswer = 1;

    static constexpr std::chrono::milliseconds kWriteLimit{5000};
    static constexpr const char* kLineMode = "baud=9600 parity=N data=8 stop=1";

    CDetectorPort() = default;
    ~CDetectorPort();
    CDetectorPort(const CDetectorPort&) = delete;
    CDetectorPort& operator=(const CDetectorPort&) = delete;

    // Opens the named port, purges it and starts the reader thread. Closes an
    // earlier connection first. On failure nothing stays open and LastError()
    // says why.
    bool Open(const std::string& portName);

    // 9600 baud, 8 data bits, no parity, one stop bit, whatever baudRate and
    // parity hold: the mode text overrides them.
    bool ApplyLineSettings();

    // Writes all bytes within five seconds. True when the write finished;
    // callers count it as good only when `written` equals the size too.
    bool WriteBytes(std::span<const std::uint8_t> bytes, std::uint32_t& written);

    // Stops the reader thread, waits for its end and closes the device.
    // Harmless on a closed port.
    void Close();

    bool IsOpen() const { return hComm.IsOpen(); }

    // Encodes the record into a write frame of the chosen form and writes it;
    // true exactly when all 133 bytes went out.
    bool SendParameterBlock(ParamWriteMode mode);
    // The same for a record the caller has just collected: stores it as the
    // record and sends exactly it, with no answer able to slip in between.
    bool SendParameterBlock(ParamWriteMode mode, const DetectorParams& record);

    // --- The record ------------------------------------------------------------
    DetectorParams CopyParams() const;
    void StoreParams(const DetectorParams& record);
    // Parameter answers decoded into the record since the port was created.
    std::uint64_t ParameterAnswerCount() const;

    // --- Status values (written by the reader, read by anyone) ---------------------
    ReadBoardVersion readBoardVersionValue() const;

    // --- Waiting for the reader ------------------------------------------------------
    // Each returns true as soon as its condition holds, false when `timeout`
    // passes first. For the window's host, SetChangeHook is the other way in.
    bool WaitForParameterAnswerAfter(std::uint64_t count, std::chrono::milliseconds timeout);
    bool WaitForPendingQueryClear(std::chrono::milliseconds timeout);
    bool WaitForWriteRomAck(std::chrono::milliseconds timeout);
    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    // Called on the reader thread after every answer it has taken in, so that
    // a host can re-check whatever it waits for. Set while no thread runs.
    void SetChangeHook(std::function<void()> hook);

    const SerialError& LastError() const { return lastError; }
    // True once a read has failed (the device went away); the reader then
    // only waits to be stopped.
    bool ReadFailed() const { return readFailed.load(); }

    // --- Fields the window and the reader share --------------------------------
    std::atomic<std::uint16_t> innerDelayMeasured{0};
    std::atomic<float> temperature{0.0F};  // hundredths of a degree Celsius
    std::atomic<float> humidity{0.0F};     // nothing sets it
    std::atomic<std::int32_t> pendingQuery{kNoQuery};
    std::int32_t baudRate = 9600;
    std::int32_t parity = 0;
    std::int32_t stopBits = 1;
    std::int32_t dataBits = 8;
    RawDataCallback rawDataCallback = nullptr;
    void* rawDataContext = nullptr;
    StatusCallback statusCallback = nullptr;
    void* statusContext = nullptr;
    std::atomic<bool> writeRomPending{false};

  private:
    class ReaderSink;
    friend class ReaderSink;

    void ReaderThreadProc();
    void AnnounceChange();
    void StoreDecoded(const DetectorParams& record);

    std::thread hThread;  // the reader; joinable while open
    SerialDevice hComm;
    StopEvent hStopEvent;

    mutable std::mutex mutex;  // guards params and parameterAnswers; pairs with `changed`
    std::condition_variable changed;
    DetectorParams params;
    std::uint64_t parameterAnswers = 0;
    std::atomic<std::uint64_t> packedReadBoardVersion{0};
    std::atomic<bool> readFailed{false};
    std::function<void()> changeHook;
    SerialError lastError;
};

}  // namespace kelm9d
