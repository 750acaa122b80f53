// A simulated Kelm9d on a pseudo-terminal. The simulator keeps the master
// and answers the detector protocol on it from its own service thread; the
// program under test opens the slave as it would a serial adapter.
//
//   SimulatedDetector sim(options);
//   if (SimError e = sim.Start(); e.Failed()) { ... }
//   OpenThePort(sim.SlavePath());
//
// Frames it acts on:
//   55 03 00 00 AA               read: 55 03 80 <working memory> <xor> AA
//   55 02 80 <block> <xor> AA    working-memory write: stored when the check
//                                byte matches, answered 55 02 01 AA; a bad
//                                check byte is answered 55 02 02 AA and
//                                changes nothing
//   EC A6 80 <block> BD 98       ROM write: stored in working memory and ROM,
//                                acknowledged 55 02 00 00 AA after the burn time
//   55 01 00 00 AA               reset: working memory := ROM, no answer
//   55 0A 00 00 AA               temperature: 55 0A hi lo AA (hundredths)
//   55 0C 00 00 AA               READ-board version: 55 02 b1 b2 AA
// Everything else is ignored and logged as rx?.
//
// Log (--log), one line each, flushed at once:
//   <monotonic seconds>.<microseconds> <tag> <bytes in hex>
// with the tags rx (a frame acted on), rx? (bytes ignored: noise, a broken
// frame, an unknown command), tx (an answer, when its last byte left), tx~
// (noise), tx! (an answer cut by the hang-up), and the text lines hup and err.
//
// --hangup-after-bytes: once that many bytes have left, the detector waits
// for the program to read them (at least 100 ms, at most 1 s: closing the
// master discards what the slave has not read), then closes the master and
// its own slave descriptor, so reads on the slave fail and the device cannot
// be opened again. The service thread then idles until Stop; nothing more is
// received or sent.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/frame_recogniser.h"
#include "sim/sim_error.h"
#include "sim/sim_options.h"
#include "sim/unique_fd.h"
#include "sim/wire.h"

namespace kelm9d::sim {

// What the detector has done so far; for tests that wait on it.
struct SimCounters {
    std::uint64_t framesReceived = 0;    // frames acted on (logged rx)
    std::uint64_t framesIgnored = 0;     // unrecognised runs and unknown commands (rx?)
    std::uint64_t answersSent = 0;       // whole answers written, noise not counted
    std::uint64_t bytesSent = 0;         // every byte written to the master, noise included
    std::uint64_t romWrites = 0;         // ROM writes stored (and persisted, with --rom)
    std::uint64_t romWriteFailures = 0;  // ROM writes that could not be persisted
    bool hungUp = false;                 // the master was closed by --hangup-after-bytes
};

class SimulatedDetector {
  public:
    explicit SimulatedDetector(SimOptions options);
    ~SimulatedDetector();  // Stop()
    SimulatedDetector(const SimulatedDetector&) = delete;
    SimulatedDetector& operator=(const SimulatedDetector&) = delete;

    // Start and Stop belong to the owner; every other call is safe from any
    // thread once Start has returned.
    //
    // Opens the pseudo-terminal pair, loads the ROM file, makes the link,
    // opens the log and starts the service thread. Call once. On failure
    // nothing is left behind (no thread, no link, no descriptors).
    SimError Start();

    // Stops and joins the service thread, closes the pseudo-terminal and
    // removes the link. Safe to call more than once.
    void Stop();

    // The slave's device path, e.g. /dev/pts/7; empty before Start.
    const std::string& SlavePath() const { return slavePath_; }

    ParameterBlock WorkingMemory() const;
    ParameterBlock Rom() const;

    SimBehaviour Behaviour() const;
    void SetBehaviour(const SimBehaviour& behaviour);

    SimCounters Counters() const;

    // Waits until `done` holds for the counters or `timeout` passes; returns
    // whether it held. `done` is called with the detector's lock held.
    bool WaitFor(const std::function<bool(const SimCounters&)>& done,
                 std::chrono::milliseconds timeout) const;

    // The last ROM-file write failure, empty when none.
    std::string LastError() const;

  private:
    class Service;  // the service thread's own state
    using TimePoint = std::chrono::steady_clock::time_point;

    void Wake() const;
    // The service thread's steps.
    void Run();
    void Receive();
    void Handle(const std::vector<RxFrame>& frames, const SimBehaviour& b, TimePoint now);
    void Enqueue(std::vector<std::uint8_t> answer, const SimBehaviour& b, TimePoint earliest);
    void FireTimers(const SimBehaviour& b, TimePoint now);
    void Transmit(const SimBehaviour& b, TimePoint now);
    void HangUp();

    const SimOptions options_;
    std::string slavePath_;

    mutable std::mutex mutex_;  // guards everything below it
    mutable std::condition_variable changed_;
    ParameterBlock working_{};
    ParameterBlock rom_{};
    SimBehaviour behaviour_;
    SimCounters counters_;
    std::string lastError_;

    UniqueFd wakeWrite_;                // wakes the service thread; kept until destruction
    std::unique_ptr<Service> service_;  // descriptors; the thread's alone once started
    std::thread thread_;
    bool started_ = false;
};

}  // namespace kelm9d::sim
