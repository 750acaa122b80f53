#include "sim/simulated_detector.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <random>
#include <system_error>
#include <vector>

#include "sim/answers.h"
#include "sim/block_file.h"
#include "sim/frame_recogniser.h"
#include "sim/unique_fd.h"

namespace kelm9d::sim {

namespace {

using Clock = std::chrono::steady_clock;

// The line carries 960 bytes a second. Byte i of an answer leaves at
// start + i * 1/960 s, computed from the start each time so that rounding
// never accumulates.
constexpr std::int64_t kLineBytesPerSecond = 960;

Clock::duration ByteOffset(std::size_t index) {
    const auto ns = static_cast<std::int64_t>(index) * 1'000'000'000 / kLineBytesPerSecond;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns));
}

// A frame that has stopped arriving for this long has lost bytes; what came
// of it is reported as unrecognised, so it cannot swallow the next frame.
constexpr auto kIdleFlush = std::chrono::milliseconds(200);

// Answers waiting to be sent, at most.
constexpr std::size_t kMaxQueued = 256;

// How long a due hang-up waits for the program to read what was sent, and
// how often it looks.
constexpr auto kHangupDrainMin = std::chrono::milliseconds(100);
constexpr auto kHangupDrainMax = std::chrono::milliseconds(1000);
constexpr auto kHangupPoll = std::chrono::milliseconds(2);

std::string ErrnoText(int code) {
    return std::strerror(code);
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

class SimulatedDetector::Service {
  public:
    struct Outgoing {
        Bytes bytes;
        bool noise = false;
        Clock::time_point earliest;
    };

    UniqueFd master;
    UniqueFd slaveKeep;  // keeps the tty alive and raw while the program opens and closes it
    UniqueFd wakeRead;
    std::unique_ptr<std::FILE, FileCloser> log;
    std::string linkMade;  // the link we made, to remove at stop

    std::atomic<bool> stop{false};

    // Owned by the service thread alone once it runs.
    FrameRecogniser recogniser;
    Clock::time_point lastRx;
    std::deque<Outgoing> queue;
    bool frontStarted = false;
    std::size_t frontSent = 0;
    Clock::time_point frontStart;
    Clock::time_point lineFree;  // the earliest moment the next byte may leave
    bool awaitWritable = false;  // the master's buffer was full
    std::vector<Clock::time_point> romAcks;
    std::chrono::milliseconds innerEvery{0};
    std::optional<Clock::time_point> nextInnerDelay;
    Clock::time_point masterQuietUntil;  // back-off after a read error, so we never spin
    std::mt19937 rng;
    std::uint64_t bytesSent = 0;
    std::optional<Clock::time_point> hangupDeadline;  // hang-up due, waiting for the slave to drain
    Clock::time_point hangupEarliest;
    bool hungUp = false;

    void Log(const char* tag, const std::uint8_t* bytes, std::size_t count) {
        LogText(tag, HexText(bytes, count));
    }

    void LogText(const char* tag, const std::string& text) {
        if (!log) {
            return;
        }
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
                .count();
        std::fprintf(log.get(), "%" PRId64 ".%06" PRId64 " %s %s\n",
                     static_cast<std::int64_t>(us / 1'000'000),
                     static_cast<std::int64_t>(us % 1'000'000), tag, text.c_str());
        std::fflush(log.get());
    }
};

SimulatedDetector::SimulatedDetector(SimOptions options)
    : options_(std::move(options)), behaviour_(options_.behaviour) {
    working_ = options_.initialBlock.value_or(InitialBlock());
    rom_ = working_;
}

SimulatedDetector::~SimulatedDetector() {
    Stop();
}

SimError SimulatedDetector::Start() {
    if (started_) {
        return SimError::System("the simulated detector was already started");
    }
    started_ = true;
    auto service = std::make_unique<Service>();
    service->rng.seed(options_.seed);

    if (!options_.romFile.empty()) {
        struct stat st {};
        if (::stat(options_.romFile.c_str(), &st) == 0) {
            ParameterBlock rom{};
            if (SimError e = ReadBlockFile(options_.romFile, rom); e.Failed()) {
                return e;
            }
            // Power-on: the detector loads its ROM into working memory.
            std::lock_guard lock(mutex_);
            rom_ = rom;
            working_ = rom;
        } else {
            // Catch a mistyped folder now rather than at the first ROM write.
            const std::string folder = ParentFolder(options_.romFile);
            struct stat dir {};
            if (::stat(folder.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode)) {
                return SimError::BadInput(options_.romFile + ": the folder " + folder +
                                          " does not exist");
            }
        }
    }

    service->master.Reset(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!service->master.Valid()) {
        return SimError::System(std::string("posix_openpt: ") + ErrnoText(errno));
    }
    const int masterFd = service->master.Get();
    if (::grantpt(masterFd) != 0 || ::unlockpt(masterFd) != 0) {
        return SimError::System(std::string("grantpt/unlockpt: ") + ErrnoText(errno));
    }
    if (::fcntl(masterFd, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(masterFd, F_SETFL, ::fcntl(masterFd, F_GETFL) | O_NONBLOCK) != 0) {
        return SimError::System(std::string("fcntl on the master: ") + ErrnoText(errno));
    }
    char name[128] = {};
    if (::ptsname_r(masterFd, name, sizeof name) != 0) {
        return SimError::System(std::string("ptsname_r: ") + ErrnoText(errno));
    }
    slavePath_ = name;

    // Our own slave descriptor, held for the whole run: the master never sees
    // a hang-up when the program closes and reopens the port, and the tty
    // keeps raw settings (no echo, no newline translation) in between.
    service->slaveKeep.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!service->slaveKeep.Valid()) {
        return SimError::System(slavePath_ + ": " + ErrnoText(errno));
    }
    termios tio{};
    if (::tcgetattr(service->slaveKeep.Get(), &tio) != 0) {
        return SimError::System(slavePath_ + ": tcgetattr: " + ErrnoText(errno));
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(service->slaveKeep.Get(), TCSANOW, &tio) != 0) {
        return SimError::System(slavePath_ + ": tcsetattr: " + ErrnoText(errno));
    }

    int pipeFds[2] = {-1, -1};
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        return SimError::System(std::string("pipe2: ") + ErrnoText(errno));
    }
    service->wakeRead.Reset(pipeFds[0]);
    wakeWrite_.Reset(pipeFds[1]);

    if (!options_.logFile.empty()) {
        UniqueFd logFd(
            ::open(options_.logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        std::FILE* file = logFd.Valid() ? ::fdopen(logFd.Get(), "w") : nullptr;
        if (file == nullptr) {
            return SimError::System(options_.logFile + ": " + ErrnoText(errno));
        }
        logFd.Release();
        service->log.reset(file);
    }

    if (!options_.linkPath.empty()) {
        const std::string& link = options_.linkPath;
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                return SimError::BadInput(link +
                                          ": exists and is not a symbolic link; not replaced");
            }
            // A link left by an earlier run that did not end cleanly.
            if (::unlink(link.c_str()) != 0 && errno != ENOENT) {
                return SimError::System(link + ": cannot remove the old link: " + ErrnoText(errno));
            }
        }
        if (::symlink(slavePath_.c_str(), link.c_str()) != 0) {
            const int code = errno;
            const std::string text = link + ": cannot make the link: " + ErrnoText(code);
            // A folder that is not there is the user's typo, not the system's fault.
            return code == ENOENT || code == ENOTDIR ? SimError::BadInput(text)
                                                     : SimError::System(text);
        }
        service->linkMade = link;
    }

    service_ = std::move(service);
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        if (!service_->linkMade.empty()) {
            ::unlink(service_->linkMade.c_str());
        }
        service_.reset();
        return SimError::System(std::string("cannot start the service thread: ") + e.what());
    }
    return {};
}

void SimulatedDetector::Stop() {
    if (thread_.joinable()) {
        service_->stop.store(true);
        Wake();
        thread_.join();
    }
    if (service_) {
        // Only our own link: another simulator may have taken the name since.
        const std::string& link = service_->linkMade;
        if (!link.empty()) {
            char target[256] = {};
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            if (n >= 0 && slavePath_ == std::string(target, static_cast<std::size_t>(n))) {
                ::unlink(link.c_str());
            }
        }
        service_.reset();
    }
}

void SimulatedDetector::Wake() const {
    if (wakeWrite_.Valid()) {
        const std::uint8_t byte = 1;
        // A full pipe already holds a wake-up; nothing is lost.
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_.Get(), &byte, 1);
    }
}

ParameterBlock SimulatedDetector::WorkingMemory() const {
    std::lock_guard lock(mutex_);
    return working_;
}

ParameterBlock SimulatedDetector::Rom() const {
    std::lock_guard lock(mutex_);
    return rom_;
}

SimBehaviour SimulatedDetector::Behaviour() const {
    std::lock_guard lock(mutex_);
    return behaviour_;
}

void SimulatedDetector::SetBehaviour(const SimBehaviour& behaviour) {
    {
        std::lock_guard lock(mutex_);
        behaviour_ = behaviour;
    }
    Wake();  // timers such as the inner-delay period may have changed
}

SimCounters SimulatedDetector::Counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

bool SimulatedDetector::WaitFor(const std::function<bool(const SimCounters&)>& done,
                                std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(counters_); });
}

std::string SimulatedDetector::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

// ---------------------------------------------------------------------------
// The service thread: one loop that polls the master and the wake pipe with a
// time-out equal to the next due moment (a byte to send, an acknowledgement,
// an inner-delay answer, the idle flush), so it keeps receiving while an
// answer is being paced out.

void SimulatedDetector::Run() {
    Service& s = *service_;
    s.lastRx = Clock::now();
    while (!s.stop.load()) {
        const SimBehaviour b = Behaviour();
        Clock::time_point now = Clock::now();

        if (!s.hungUp) {
            FireTimers(b, now);
            if (s.recogniser.Pending() && now - s.lastRx >= kIdleFlush) {
                std::vector<RxFrame> frames;
                s.recogniser.Flush(frames);
                Handle(frames, b, now);
            }
            Transmit(b, now);
        }

        // When to look again without any event.
        std::optional<Clock::time_point> due;
        auto consider = [&due](Clock::time_point t) {
            if (!due || t < *due) {
                due = t;
            }
        };
        if (!s.hungUp) {
            // Nothing more leaves while a hang-up waits for the slave to drain.
            if (!s.queue.empty() && !s.awaitWritable && !s.hangupDeadline) {
                if (!b.pacing) {
                    consider(now);
                } else if (s.frontStarted) {
                    consider(s.frontStart + ByteOffset(s.frontSent));
                } else {
                    consider(std::max(s.queue.front().earliest, s.lineFree));
                }
            }
            for (const Clock::time_point t : s.romAcks) {
                consider(t);
            }
            if (s.nextInnerDelay) {
                consider(*s.nextInnerDelay);
            }
            if (s.recogniser.Pending()) {
                consider(s.lastRx + kIdleFlush);
            }
            if (s.hangupDeadline) {
                consider(std::min(*s.hangupDeadline, now + kHangupPoll));
            }
            if (now < s.masterQuietUntil) {
                consider(s.masterQuietUntil);
            }
        }

        pollfd fds[2] = {};
        fds[0].fd = s.wakeRead.Get();
        fds[0].events = POLLIN;
        nfds_t count = 1;
        const bool watchMaster = !s.hungUp && now >= s.masterQuietUntil;
        if (watchMaster) {
            fds[1].fd = s.master.Get();
            fds[1].events = static_cast<short>(POLLIN | (s.awaitWritable ? POLLOUT : 0));
            count = 2;
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (due) {
            const auto wait = std::max(Clock::duration::zero(), *due - now);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeoutPtr = &timeout;
        }
        const int ready = ::ppoll(fds, count, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno != EINTR) {
                s.LogText("err", std::string("ppoll: ") + ErrnoText(errno));
            }
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint8_t drain[64];
            while (::read(s.wakeRead.Get(), drain, sizeof drain) > 0) {
            }
        }
        if (watchMaster) {
            if ((fds[1].revents & POLLOUT) != 0) {
                s.awaitWritable = false;
            }
            if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                Receive();
            }
        }
    }
}

void SimulatedDetector::Receive() {
    Service& s = *service_;
    std::uint8_t buffer[1024];
    // A bounded number of reads per wake-up, so a flood cannot starve pacing.
    for (int round = 0; round < 16; ++round) {
        const ssize_t n = ::read(s.master.Get(), buffer, sizeof buffer);
        if (n > 0) {
            const Clock::time_point now = Clock::now();
            s.lastRx = now;
            std::vector<RxFrame> frames;
            s.recogniser.Feed(buffer, static_cast<std::size_t>(n), frames);
            // Taken after the read: a change made before these bytes were
            // sent must apply to them.
            Handle(frames, Behaviour(), now);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return;
        }
        // With our own slave descriptor open this should not happen; back off
        // rather than spin on it.
        s.LogText("err", std::string("read from the master: ") +
                             (n == 0 ? std::string("end of file") : ErrnoText(errno)));
        s.masterQuietUntil = Clock::now() + std::chrono::milliseconds(100);
        return;
    }
}

void SimulatedDetector::Handle(const std::vector<RxFrame>& frames, const SimBehaviour& b,
                               Clock::time_point now) {
    Service& s = *service_;
    const Clock::time_point answerAt = b.pacing ? now + b.latency : now;
    for (const RxFrame& frame : frames) {
        const bool known = frame.kind == RxKind::kMemoryWrite || frame.kind == RxKind::kRomWrite ||
                           (frame.kind == RxKind::kCommand &&
                            (frame.code == kCmdRead || frame.code == kCmdReset ||
                             frame.code == kCmdTemperature || frame.code == kCmdReadBoardVersion));
        s.Log(known ? "rx" : "rx?", frame.bytes.data(), frame.bytes.size());
        if (!known) {
            std::lock_guard lock(mutex_);
            ++counters_.framesIgnored;
            changed_.notify_all();
            continue;
        }

        std::vector<Bytes> answers;
        std::string romError;
        if (frame.kind == RxKind::kRomWrite && !options_.romFile.empty()) {
            // Persist first, outside the lock: the ROM counts as burnt only
            // once the file holds it.
            if (SimError e = WriteBlockFileAtomically(options_.romFile, frame.block); e.Failed()) {
                romError = e.message;
            }
        }
        {
            std::lock_guard lock(mutex_);
            switch (frame.kind) {
                case RxKind::kCommand:
                    if (frame.code == kCmdRead) {
                        if (b.shortAnswer) {
                            constexpr std::size_t kShortLength = 16;
                            answers.push_back(
                                LongAnswer(kAnsParameters, working_.data(), kShortLength));
                        }
                        answers.push_back(ParameterAnswer(working_));
                    } else if (frame.code == kCmdReset) {
                        working_ = rom_;
                    } else if (frame.code == kCmdTemperature) {
                        answers.push_back(TwoByteAnswer(
                            b.temperatureCode,
                            static_cast<std::uint8_t>(b.temperatureHundredths >> 8),
                            static_cast<std::uint8_t>(b.temperatureHundredths & 0xFF)));
                    } else {
                        answers.push_back(VersionAnswer(b.version));
                    }
                    break;
                case RxKind::kMemoryWrite:
                    if (frame.checkOk) {
                        working_ = frame.block;
                    }
                    answers.push_back(StatusAnswer(frame.checkOk ? kStatusOk : kStatusBadCheck));
                    break;
                case RxKind::kRomWrite:
                    working_ = frame.block;
                    if (romError.empty()) {
                        rom_ = frame.block;
                        ++counters_.romWrites;
                        s.romAcks.push_back(now + b.burnTime + b.ackDelay);
                    } else {
                        // A burn that did not stick is not acknowledged.
                        ++counters_.romWriteFailures;
                        lastError_ = romError;
                    }
                    break;
                case RxKind::kUnrecognised:
                    break;
            }
            ++counters_.framesReceived;
            changed_.notify_all();
        }
        if (!romError.empty()) {
            s.LogText("err", "ROM write not persisted: " + romError);
        }
        for (Bytes& answer : answers) {
            Enqueue(std::move(answer), b, answerAt);
        }
    }
}

void SimulatedDetector::Enqueue(Bytes answer, const SimBehaviour& b, Clock::time_point earliest) {
    Service& s = *service_;
    if (b.silent || s.hungUp) {
        return;
    }
    // Nobody has read the slave for a long time (its buffer is full and
    // inner-delay answers keep coming): drop rather than grow without bound.
    if (s.queue.size() >= kMaxQueued) {
        s.LogText("err",
                  "send queue full, answer dropped: " + HexText(answer.data(), answer.size()));
        return;
    }
    if (b.badTrailer) {
        SpoilTrailer(answer);
    }
    if (b.noise) {
        s.queue.push_back({NoiseBurst(s.rng), true, earliest});
    }
    s.queue.push_back({std::move(answer), false, earliest});
}

void SimulatedDetector::FireTimers(const SimBehaviour& b, Clock::time_point now) {
    Service& s = *service_;
    // ROM acknowledgements whose burn time is over, in the order they fall due.
    std::sort(s.romAcks.begin(), s.romAcks.end());
    while (!s.romAcks.empty() && s.romAcks.front() <= now) {
        s.romAcks.erase(s.romAcks.begin());
        if (b.romAck) {
            Enqueue(TwoByteAnswer(kAnsStatus, 0x00, 0x00), b, now);
        }
    }

    if (b.innerDelayEvery != s.innerEvery) {
        s.innerEvery = b.innerDelayEvery;
        s.nextInnerDelay.reset();
        if (s.innerEvery.count() > 0) {
            s.nextInnerDelay = now + s.innerEvery;
        }
    }
    if (s.nextInnerDelay && *s.nextInnerDelay <= now) {
        Enqueue(TwoByteAnswer(kAnsInnerDelay, static_cast<std::uint8_t>(b.innerDelay >> 8),
                              static_cast<std::uint8_t>(b.innerDelay & 0xFF)),
                b, now);
        *s.nextInnerDelay += s.innerEvery;
        if (*s.nextInnerDelay <= now) {  // fell behind: do not burst to catch up
            s.nextInnerDelay = now + s.innerEvery;
        }
    }
}

void SimulatedDetector::Transmit(const SimBehaviour& b, Clock::time_point now) {
    Service& s = *service_;
    while (!s.hungUp && !s.queue.empty() && !s.awaitWritable) {
        if (options_.hangupAfterBytes && s.bytesSent >= *options_.hangupAfterBytes) {
            break;
        }
        Service::Outgoing& front = s.queue.front();
        if (!s.frontStarted) {
            const Clock::time_point start = b.pacing ? std::max(front.earliest, s.lineFree) : now;
            if (start > now) {
                return;
            }
            s.frontStart = start;
            s.frontStarted = true;
            s.frontSent = 0;
        }
        std::size_t dueCount = front.bytes.size();
        if (b.pacing) {
            // Every byte whose moment has come, catching up after a late wake-up.
            dueCount = s.frontSent;
            while (dueCount < front.bytes.size() && s.frontStart + ByteOffset(dueCount) <= now) {
                ++dueCount;
            }
        }
        std::size_t toWrite = dueCount > s.frontSent ? dueCount - s.frontSent : 0;
        if (options_.hangupAfterBytes) {
            toWrite = static_cast<std::size_t>(
                std::min<std::uint64_t>(toWrite, *options_.hangupAfterBytes - s.bytesSent));
        }
        if (toWrite == 0) {
            return;
        }
        const ssize_t n = ::write(s.master.Get(), front.bytes.data() + s.frontSent, toWrite);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                s.awaitWritable = true;  // nobody reads the slave; wait for room
                return;
            }
            s.LogText("err", std::string("write to the master: ") + ErrnoText(errno));
            s.queue.pop_front();
            s.frontStarted = false;
            continue;
        }
        s.frontSent += static_cast<std::size_t>(n);
        s.bytesSent += static_cast<std::uint64_t>(n);
        s.lineFree = b.pacing ? s.frontStart + ByteOffset(s.frontSent) : now;
        const bool whole = s.frontSent == front.bytes.size();
        if (whole) {
            s.Log(front.noise ? "tx~" : "tx", front.bytes.data(), front.bytes.size());
        }
        {
            std::lock_guard lock(mutex_);
            counters_.bytesSent = s.bytesSent;
            if (whole && !front.noise) {
                ++counters_.answersSent;
            }
            changed_.notify_all();
        }
        if (whole) {
            s.queue.pop_front();
            s.frontStarted = false;
            s.frontSent = 0;
        }
    }
    if (!s.hungUp && options_.hangupAfterBytes && s.bytesSent >= *options_.hangupAfterBytes) {
        // Closing the master discards what the slave has not read yet; give
        // the program a moment to take the bytes that did leave, so that it
        // sees them and then the failure, as with a cable pulled mid-answer.
        // The kernel moves bytes from the master to the slave's queue a little
        // later, so an empty queue counts only after a short grace time.
        if (!s.hangupDeadline) {
            s.hangupDeadline = now + kHangupDrainMax;
            s.hangupEarliest = now + kHangupDrainMin;
        }
        int unread = 0;
        const bool drained = ::ioctl(s.slaveKeep.Get(), TIOCINQ, &unread) != 0 || unread == 0;
        if ((drained && now >= s.hangupEarliest) || now >= *s.hangupDeadline) {
            HangUp();
        }
    }
}

void SimulatedDetector::HangUp() {
    Service& s = *service_;
    if (s.frontStarted && s.frontSent > 0 && !s.queue.empty()) {
        s.Log("tx!", s.queue.front().bytes.data(), s.frontSent);
    }
    s.LogText("hup", "after " + std::to_string(s.bytesSent) + " bytes");
    // As an unplugged adapter: the device goes away for everyone.
    s.master.Reset();
    s.slaveKeep.Reset();
    s.queue.clear();
    s.romAcks.clear();
    s.nextInnerDelay.reset();
    s.hungUp = true;
    std::lock_guard lock(mutex_);
    counters_.hungUp = true;
    changed_.notify_all();
}

}  // namespace kelm9d::sim
