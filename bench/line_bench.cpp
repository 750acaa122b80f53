// Figures that involve the line: click-to-status times against the
// simulated detector at the real line rate, the idle cost of the reader,
// allocations per received byte, and the batch host's peak memory. Prints
// one "key value" line per figure; bench/run turns them into BENCHMARKS.md.
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/orvane_app.h"
#include "link/detector_port.h"
#include "platform/dialog/blocking_host.h"
#include "sim/simulated_detector.h"
#include "ui/control_ids.h"
#include "ui/window_texts.h"

// Every allocation of the process, counted, so that the reader's steady
// state can be shown to allocate nothing.
namespace {
std::atomic<std::uint64_t> allocations{0};
}
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace kelm9d {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr double kLineBytesPerSecond = 960.0;
constexpr double kLatencyMs = 2.0;
constexpr int kRepetitions = 7;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double LineMs(int bytes) {
    return bytes / kLineBytesPerSecond * 1000.0;
}

void Figure(const std::string& key, double value) {
    std::printf("%s %.3f\n", key.c_str(), value);
}

// The time of the last "tx <bytes>" line of the simulator's log, in ms on
// the steady clock.
double LastTxMs(const std::string& logPath, const std::string& bytes) {
    std::ifstream log(logPath);
    std::string line;
    double last = -1;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        double seconds = 0;
        std::string tag;
        fields >> seconds >> tag;
        std::string rest;
        std::getline(fields, rest);
        if (tag == "tx" && rest.find(bytes) != std::string::npos)
            last = seconds * 1000.0;
    }
    return last;
}

// Watches the status line and notes when it last changed.
class StatusWatch : public ControlObserver {
  public:
    void OnControlChanged(int id, ChangeKind) override {
        if (id == idc::kStatusLine)
            changedAt = Clock::now();
    }
    Clock::time_point changedAt;
};

void ClickTimings() {
    const std::string logPath = "/tmp/kelm9d-bench-" + std::to_string(::getpid()) + ".log";
    sim::SimOptions options;
    options.behaviour.latency = std::chrono::milliseconds(static_cast<int>(kLatencyMs));
    options.behaviour.pacing = true;
    options.logFile = logPath;
    sim::SimulatedDetector detector(options);
    if (detector.Start().Failed()) {
        std::fprintf(stderr, "the simulated detector did not start\n");
        std::exit(1);
    }
    const double burnMs = static_cast<double>(options.behaviour.burnTime.count());

    std::vector<double> start, read, rom, romAfterAck, temperature;
    COrvaneApp app;
    StatusWatch watch;
    BlockingHost host([&](Dialog& dialog) {
        dialog.Controls().AddObserver(&watch);
        dialog.SetText(idc::kComPort, detector.SlavePath());
        const auto timed = [&](int id) {
            const auto t0 = Clock::now();
            dialog.Click(id);
            return Ms(Clock::now() - t0);
        };
        for (int i = 0; i < kRepetitions; ++i) {
            start.push_back(timed(idc::kStart));
            read.push_back(timed(idc::kRead));
            temperature.push_back(timed(idc::kQueryTemperature));
            rom.push_back(timed(idc::kWriteRom));
            const double ack = LastTxMs(logPath, "55 02 00 00 AA");
            const double shown =
                std::chrono::duration<double, std::milli>(watch.changedAt.time_since_epoch())
                    .count();
            if (dialog.GetText(idc::kStatusLine) == text::kWriteRomSucceeded && ack > 0) {
                romAfterAck.push_back(shown - ack);
            }
            dialog.Click(idc::kStop);
        }
        dialog.Controls().RemoveObserver(&watch);
        dialog.Click(idc::kExit);
    });
    app.InitApplication(host);
    std::remove(logPath.c_str());

    // The simulator paces what it sends; our own frames cross the
    // pseudo-terminal at once, so the bounds count the answers' bytes.
    const double readBound = kLatencyMs + LineMs(133);
    const double startBound = 50.0 + readBound;
    const double romBound = burnMs + kLatencyMs + LineMs(5);
    const double temperatureBound = kLatencyMs + LineMs(5);
    const auto report = [](const char* name, const std::vector<double>& samples, double bound) {
        const double median = Median(samples);
        Figure(std::string(name) + ".median_ms", median);
        Figure(std::string(name) + ".bound_ms", bound);
        Figure(std::string(name) + ".ratio", median / bound);
    };
    report("start", start, startBound);
    report("read", read, readBound);
    report("write_rom", rom, romBound);
    report("temperature", temperature, temperatureBound);
    Figure("write_rom.status_after_ack_ms", Median(romAfterAck));
}

// A quiet pseudo-terminal: the far end keeps a raw slave open and says nothing.
struct QuietLine {
    int master = -1;
    int slave = -1;
    std::string path;
    QuietLine() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            std::exit(1);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        path = name;
    }
    ~QuietLine() {
        ::close(master);
        ::close(slave);
    }
};

double ProcessCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void IdleReader() {
    QuietLine line;
    CDetectorPort port;
    if (!port.Open(line.path))
        std::exit(1);
    port.ApplyLineSettings();
    const double seconds = 10.0;
    const double before = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double used = ProcessCpuMs() - before;
    Figure("idle.cpu_ms_over_10s", used);
    Figure("idle.core_percent", used / (seconds * 1000.0) * 100.0);
}

void AllocationsPerByte() {
    QuietLine line;
    CDetectorPort port;
    if (!port.Open(line.path))
        std::exit(1);
    // Everything the far end sends is built before counting starts.
    std::vector<std::uint8_t> answer = {0x55, 0x03, 0x80};
    std::uint8_t check = 0;
    for (int i = 0; i < 128; ++i) {
        answer.push_back(static_cast<std::uint8_t>(i));
        check = static_cast<std::uint8_t>(check ^ i);
    }
    answer.push_back(check);
    answer.push_back(0xAA);
    const std::vector<std::uint8_t> shortAnswers = {0x55, 0x12, 0x01, 0xF4, 0xAA,
                                                    0x55, 0x02, 0x01, 0xAA};
    const auto send = [&](const std::vector<std::uint8_t>& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::write(line.master, bytes.data() + sent, bytes.size() - sent);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
        }
    };
    send(answer);  // the first answer may warm up whatever the reader touches once
    port.WaitForParameterAnswerAfter(0, 5s);

    const int rounds = 500;
    const std::uint64_t before = allocations.load();
    std::uint64_t bytes = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::uint64_t count = port.ParameterAnswerCount();
        send(answer);
        send(shortAnswers);
        bytes += answer.size() + shortAnswers.size();
        port.WaitForParameterAnswerAfter(count, 5s);
    }
    const std::uint64_t counted = allocations.load() - before;
    Figure("alloc.bytes_received", static_cast<double>(bytes));
    Figure("alloc.allocations", static_cast<double>(counted));
    Figure("alloc.per_byte", static_cast<double>(counted) / static_cast<double>(bytes));
}

// Peak resident memory of the real program running a batch job.
void BatchPeakMemory(const char* program) {
    sim::SimOptions options;
    options.behaviour.pacing = false;
    sim::SimulatedDetector detector(options);
    if (detector.Start().Failed())
        std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::execl(program, program, "--batch", "--port", detector.SlavePath().c_str(), "start",
                "read", "write", "write-rom", "show", "stop", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Figure("memory.batch_peak_kib", static_cast<double>(usage.ru_maxrss));
}

}  // namespace
}  // namespace kelm9d

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    if (only.empty() || only == "clicks")
        kelm9d::ClickTimings();
    if (only.empty() || only == "alloc")
        kelm9d::AllocationsPerByte();
    if (only.empty() || only == "idle")
        kelm9d::IdleReader();
    if ((only.empty() || only == "memory") && argc > 2)
        kelm9d::BatchPeakMemory(argv[2]);
    return 0;
}
