#include "sim/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string_view>

#include "sim/block_file.h"

namespace kelm9d::sim {

namespace {

constexpr std::uint64_t kMaxMilliseconds = 3'600'000;  // an hour is more than any test waits

// Decimal, or hexadecimal with a 0x prefix; the whole text must be the number.
bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return false;
    }
    int base = 10;
    std::string digits = text;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        digits = text.substr(2);
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits.c_str(), &end, base);
    if (errno != 0 || end == digits.c_str() || *end != '\0' || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseTemperature(const std::string& text, std::uint16_t& hundredths) {
    errno = 0;
    char* end = nullptr;
    const double degrees = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(degrees)) {
        return false;
    }
    const double scaled = std::round(degrees * 100.0);
    // The wire carries an unsigned 16-bit count: no negative temperatures.
    if (scaled < 0.0 || scaled > 65535.0) {
        return false;
    }
    hundredths = static_cast<std::uint16_t>(scaled);
    return true;
}

bool ParseVersion(const std::string& text, BoardVersion& version) {
    std::uint64_t parts[3] = {};
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t dot = text.find('.', start);
        const bool last = i == 2;
        if (last != (dot == std::string::npos)) {
            return false;
        }
        const std::string part = text.substr(start, last ? std::string::npos : dot - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos ||
            !ParseUnsigned(part, last ? 99 : 9, parts[i])) {
            return false;
        }
        start = dot + 1;
    }
    version.major = static_cast<std::uint8_t>(parts[0]);
    version.minor = static_cast<std::uint8_t>(parts[1]);
    version.patch = static_cast<std::uint8_t>(parts[2]);
    return true;
}

struct OptionDef {
    const char* name;
    const char* valueName;  // nullptr for a flag
    // Applies the value; returns false when it is unusable. `error` may carry
    // a fuller message (the --block file).
    std::function<bool(CommandLine&, const std::string&, SimError&)> apply;
};

bool SetMilliseconds(const std::string& value, std::chrono::milliseconds& field) {
    std::uint64_t n = 0;
    if (!ParseUnsigned(value, kMaxMilliseconds, n)) {
        return false;
    }
    field = std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(n));
    return true;
}

const std::vector<OptionDef>& OptionTable() {
    static const std::vector<OptionDef> table = {
        {"--help", nullptr,
         [](CommandLine& c, const std::string&, SimError&) { return c.help = true; }},
        {"--link", "PATH",
         [](CommandLine& c, const std::string& v, SimError&) {
             c.options.linkPath = v;
             return !v.empty();
         }},
        {"--block", "FILE",
         [](CommandLine& c, const std::string& v, SimError& error) {
             ParameterBlock block{};
             error = ReadBlockFile(v, block);
             if (error.Failed()) {
                 return false;
             }
             c.options.initialBlock = block;
             c.options.blockFile = v;
             return true;
         }},
        {"--rom", "FILE",
         [](CommandLine& c, const std::string& v, SimError&) {
             c.options.romFile = v;
             return !v.empty();
         }},
        {"--log", "FILE",
         [](CommandLine& c, const std::string& v, SimError&) {
             c.options.logFile = v;
             return !v.empty();
         }},
        {"--burn-ms", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             return SetMilliseconds(v, c.options.behaviour.burnTime);
         }},
        {"--latency-ms", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             return SetMilliseconds(v, c.options.behaviour.latency);
         }},
        {"--no-pacing", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             c.options.behaviour.pacing = false;
             return true;
         }},
        {"--temperature", "DEGREES",
         [](CommandLine& c, const std::string& v, SimError&) {
             return ParseTemperature(v, c.options.behaviour.temperatureHundredths);
         }},
        {"--temp-code", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             std::uint64_t n = 0;
             if (!ParseUnsigned(v, 0xFF, n)) {
                 return false;
             }
             c.options.behaviour.temperatureCode = static_cast<std::uint8_t>(n);
             return true;
         }},
        {"--version", "M.m.p",
         [](CommandLine& c, const std::string& v, SimError&) {
             return ParseVersion(v, c.options.behaviour.version);
         }},
        {"--silent", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             return c.options.behaviour.silent = true;
         }},
        {"--no-rom-ack", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             c.options.behaviour.romAck = false;
             return true;
         }},
        {"--ack-delay-ms", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             return SetMilliseconds(v, c.options.behaviour.ackDelay);
         }},
        {"--noise", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             return c.options.behaviour.noise = true;
         }},
        {"--seed", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             std::uint64_t n = 0;
             if (!ParseUnsigned(v, std::numeric_limits<std::uint32_t>::max(), n)) {
                 return false;
             }
             c.options.seed = static_cast<std::uint32_t>(n);
             return true;
         }},
        {"--bad-trailer", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             return c.options.behaviour.badTrailer = true;
         }},
        {"--short-answer", nullptr,
         [](CommandLine& c, const std::string&, SimError&) {
             return c.options.behaviour.shortAnswer = true;
         }},
        {"--inner-delay-every-ms", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             return SetMilliseconds(v, c.options.behaviour.innerDelayEvery);
         }},
        {"--inner-delay", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             std::uint64_t n = 0;
             if (!ParseUnsigned(v, 0xFFFF, n)) {
                 return false;
             }
             c.options.behaviour.innerDelay = static_cast<std::uint16_t>(n);
             return true;
         }},
        {"--hangup-after-bytes", "N",
         [](CommandLine& c, const std::string& v, SimError&) {
             std::uint64_t n = 0;
             if (!ParseUnsigned(v, std::numeric_limits<std::uint64_t>::max(), n)) {
                 return false;
             }
             c.options.hangupAfterBytes = n;
             return true;
         }},
        {"--ignore-stdin", nullptr,
         [](CommandLine& c, const std::string&, SimError&) { return c.ignoreStdin = true; }},
    };
    return table;
}

}  // namespace

std::string UsageLine() {
    return "usage: kelm9d-sim [OPTION]...   (kelm9d-sim --help lists the options)";
}

SimError ParseCommandLine(const std::vector<std::string>& args, CommandLine& result) {
    CommandLine parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name == "-h") {
            name = "--help";
        }
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionDef* def = nullptr;
        for (const OptionDef& s : OptionTable()) {
            if (name == s.name) {
                def = &s;
            }
        }
        if (def == nullptr) {
            return SimError::BadInput(name.rfind("-", 0) == 0 ? "unknown option " + name
                                                              : "unexpected argument " + name);
        }
        if (def->valueName == nullptr && value) {
            return SimError::BadInput(name + " takes no value");
        }
        if (def->valueName != nullptr && !value) {
            if (i + 1 == args.size()) {
                return SimError::BadInput(name + " needs a value " + def->valueName);
            }
            value = args[++i];
        }
        SimError error;
        if (!def->apply(parsed, value.value_or(std::string()), error)) {
            if (error.Failed()) {
                return error;
            }
            return SimError::BadInput("bad value for " + name + ": \"" + *value + "\"");
        }
    }
    result = std::move(parsed);
    return {};
}

std::string HelpText() {
    return R"(usage: kelm9d-sim [OPTION]...

A simulated Kelm9d detector on a pseudo-terminal. Prints the slave's path as
its first line, then answers the detector protocol on it until SIGINT,
SIGTERM, SIGHUP or end of standard input, and exits 0. Bad options exit 2.

Where the detector is
  --link PATH             also make a symbolic link PATH to the slave, removed
                          at exit (e.g. --link "$KELM9D_PORT_DIR/com1"). A stale
                          link there is replaced; any other file is refused.
  --ignore-stdin          run until a signal only; use it when standard input
                          is /dev/null or a terminal shared with other jobs.

Memory
  --block FILE            initial working memory and ROM: exactly 128 raw bytes,
                          or hex text of 128 byte pairs with any white space.
                          Default: a built-in 17 x 17 inch panel.
  --rom FILE              keep the ROM in FILE: read at start when present (then
                          working memory starts as that ROM), rewritten
                          atomically as 128 raw bytes on every ROM write.

Answers
  --temperature DEGREES   temperature answered, 0 to 655.35, kept to the
                          hundredth (default 31.25)
  --temp-code N           code byte of the temperature answer, 0 to 255 or 0xNN
                          (default 10 = 0x0A; 2 answers with code 0x02)
  --version M.m.p         READ-board version answered, M and m 0 to 9, p 0 to 99
                          (default 1.2.5, sent as 12 05)
  --burn-ms N             time from a ROM write to its acknowledgement (300)

Timing
  --latency-ms N          time from a received frame to the answer's first
                          byte (default 2)
  --no-pacing             send answers at once instead of at the line rate of
                          960 bytes a second; also drops the latency

Faults
  --silent                act on every frame but send nothing at all
  --no-rom-ack            never acknowledge a ROM write
  --ack-delay-ms N        delay the ROM acknowledgement by N ms more
  --noise                 stray bytes, false headers and broken frames before
                          each answer, never inside one
  --seed N                seed of the noise, so runs repeat (default 1)
  --bad-trailer           end every answer with 0xAB instead of 0xAA
  --short-answer          send a long answer with a 16-byte payload right before
                          each parameter answer
  --inner-delay-every-ms N
                          send an unsolicited inner-delay answer 55 12 hi lo AA
                          every N ms (0, the default, is off)
  --inner-delay N         the value those answers carry, 0 to 65535 (250)
  --hangup-after-bytes N  close the master once N bytes have been sent (and
                          read, or 1 s passed), as an unplugged cable does:
                          reads on the slave then fail and it cannot be opened
                          again. The simulator then idles until told to exit.

Record
  --log FILE              one line per frame received and per answer sent:
                          monotonic seconds, a tag, the bytes in hex. Tags:
                          rx (a frame acted on), rx? (bytes ignored: noise or
                          an unknown command), tx (an answer), tx~ (noise),
                          tx! (an answer cut by the hang-up), hup, err.

  --help, -h              show this text and exit
)";
}

}  // namespace kelm9d::sim
