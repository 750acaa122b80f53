// The serial line as the link layer sees it: a tty opened for exclusive use,
// a read that completes only when every requested byte has arrived and that a
// stop event interrupts at once, and a write bounded by a deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/serial/serial_error.h"
#include "platform/serial/stop_event.h"

namespace kelm9d {

// What one ReadExact call ended with.
enum class ReadOutcome {
    kCompleted,  // every requested byte arrived
    kStopped,    // the stop event was signalled (it wins over arrived bytes)
    kFailed,     // the device failed or hung up (unplugged adapter, peer closed)
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::kFailed;
    std::size_t count = 0;  // bytes delivered; equals the request only on kCompleted
    SerialError error;      // set on kFailed
};

// Line settings in the form the mode text describes.
struct LineSettings {
    std::uint32_t baudRate = 9600;
    char parity = 'N';  // 'N', 'E', 'O', 'M' or 'S'
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1 or 2
};

// Parses a mode text such as "baud=9600 parity=N data=8 stop=1" over the
// given settings: every key present overrides its field. Returns false (and
// leaves `settings` unchanged) on an unknown key or an unusable value.
bool ParseLineMode(const std::string& modeText, LineSettings& settings);

// One open serial device. Move-only; the destructor closes it and restores the
// terminal settings found at open.
class SerialDevice {
  public:
    // Closed. Defined beside Impl: a defaulted one here would need Impl complete.
    SerialDevice() noexcept;
    ~SerialDevice();
    SerialDevice(SerialDevice&& other) noexcept;
    SerialDevice& operator=(SerialDevice&& other) noexcept;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `path` (a device path) for reading and writing, exclusively: a
    // device that another program holds is refused. Puts the line into raw
    // mode with the receiver on and no flow control, purges both directions.
    // On failure returns a closed device and fills `error`.
    static SerialDevice Open(const std::string& path, SerialError& error);

    bool IsOpen() const;

    // Discards what is queued in both directions.
    bool Purge();

    // Applies baud rate, parity, data and stop bits; raw 8-bit, receiver on,
    // modem-control lines ignored, no RTS/CTS, no XON/XOFF, DTR and RTS low.
    bool ApplyLineSettings(const LineSettings& settings, SerialError& error);

    // Reads exactly `count` bytes into `buffer`, waiting as long as it takes.
    // Returns kStopped as soon as `stop` is signalled, even with bytes
    // waiting. Bytes delivered before a stop or failure are in the buffer but
    // count as lost. Safe to call from one thread while another writes. A
    // hang-up fails this read and every later one at once; so does a stop
    // event that is not Valid(), since nothing could end such a read.
    ReadResult ReadExact(std::uint8_t* buffer, std::size_t count, const StopEvent& stop);

    // Writes all `count` bytes within `limit`. On time-out or failure the
    // unsent rest is flushed, `written` is 0 and the result false; the
    // caller's buffer is never touched after return.
    bool Write(const std::uint8_t* bytes, std::size_t count, std::chrono::milliseconds limit,
               std::uint32_t& written, SerialError& error);

    // Gives back the terminal settings found at open, then the port. Not
    // while another thread reads or writes: stop and join the reader first.
    void Close();

  private:
    // Platform state (descriptor, saved terminal settings) lives in the
    // platform's own source file, so this header holds no POSIX types.
    struct Impl;
    explicit SerialDevice(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelm9d
