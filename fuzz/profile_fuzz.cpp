// The private-profile reader on arbitrary file text, section, key, default
// and buffer size. Besides "no crash", the rules have to hold on any input:
//   - the result fits the buffer, and a smaller buffer gives a prefix of it;
//   - names match whatever their ASCII letter case;
//   - LF, CRLF and CR line ends read alike;
//   - a value taken from the file is a piece of one line of it;
//   - a file that begins with the section and the key gives exactly the
//     trimmed, unquoted value, whatever follows.
// The parameter file's own keys are looked up in the same text too, and their
// values go through the conversions the window applies to them.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/parameter_file.h"
#include "params/conversions.h"
#include "params/number_text.h"
#include "platform/profile/profile.h"

namespace kelm9d {
namespace {

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "profile_fuzz: %s\n", what);
        std::abort();
    }
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && Blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string Fold(std::string_view s, bool upper) {
    std::string out(s);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!upper && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Every line end as LF alone.
std::string WithLfEnds(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool HasLineEnd(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string Expected(std::string_view value, std::size_t bufferSize) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return bufferSize == 0 ? std::string() : std::string(value.substr(0, bufferSize - 1));
}

}  // namespace
}  // namespace kelm9d

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm9d;
    FuzzedDataProvider fdp(data, size);
    const std::string section = fdp.ConsumeRandomLengthString(40);
    const std::string key = fdp.ConsumeRandomLengthString(40);
    const std::string value = fdp.ConsumeRandomLengthString(80);
    const std::string fallback = fdp.ConsumeRandomLengthString(40);
    const std::size_t bufferSize = fdp.ConsumeIntegralInRange<std::size_t>(0, 600);
    const std::string text = fdp.ConsumeRemainingBytesAsString();

    const std::string full = ReadProfileString(text, section, key, fallback, 100000);
    const std::string cut = ReadProfileString(text, section, key, fallback, bufferSize);
    Check(cut.size() + 1 <= bufferSize || cut.empty(), "result larger than the buffer");
    Check(cut == (bufferSize == 0 ? std::string() : full.substr(0, bufferSize - 1)),
          "a smaller buffer does not give a prefix of the result");

    Check(ReadProfileString(text, Fold(section, true), Fold(key, false), fallback, 100000) == full,
          "names compared with regard to letter case");
    Check(ReadProfileString(WithLfEnds(text), section, key, fallback, 100000) == full,
          "line ends read differently");
    if (!HasLineEnd(fallback)) {
        Check(!HasLineEnd(full), "a line end inside a value");
    }
    const std::string_view trimmedFallback = [&] {
        std::string_view f = fallback;
        while (!f.empty() && Blank(f.back())) {
            f.remove_suffix(1);
        }
        return f;
    }();
    Check(full == trimmedFallback || text.find(full) != std::string::npos,
          "a value that is neither in the file nor the default");

    // A file that starts with the section and the key: the names must be
    // usable on a line of their own.
    const std::string_view s = Trim(section);
    const std::string_view k = Trim(key);
    const bool usable = !HasLineEnd(section) && section.find(']') == std::string::npos &&
                        !HasLineEnd(key) && key.find('=') == std::string::npos &&
                        (k.empty() || (k.front() != ';' && k.front() != '[')) && !HasLineEnd(value);
    if (usable) {
        const std::string file = "[" + std::string(s) + "]\n" + key + "=" + value + "\n" + text;
        Check(ReadProfileString(file, section, key, fallback, bufferSize) ==
                  Expected(value, bufferSize),
              "the first key of the first section is not what the reader gives");
        // A comment or a blank line in front changes nothing.
        Check(ReadProfileString("; note\n\r\n" + file, section, key, fallback, bufferSize) ==
                  Expected(value, bufferSize),
              "a comment line changed the result");
    }

    // The parameter file's keys, and what the window makes of their values.
    for (const ParameterFileEntry& entry : kParameterFileEntries) {
        const std::string v =
            ReadProfileString(text, kParameterFileSection, entry.key, entry.defaultValue);
        Check(v.size() < kProfileBufferSize, "parameter value past 511 characters");
        (void)ParseLeadingInt(v);
        (void)VtVoltsToCode(v);
        (void)SplitVersion(v);
    }
    return 0;
}
