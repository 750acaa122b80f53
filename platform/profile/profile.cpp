#include "platform/profile/profile.h"

namespace kelm9d {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string CutToBuffer(std::string_view value, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return std::string();
    }
    return std::string(value.substr(0, bufferSize - 1));
}

// Calls `visit` with each line, without its line end; stops when it returns
// true.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        if (visit(line)) {
            return;
        }
        if (end == std::string_view::npos) {
            return;
        }
        text.remove_prefix(end + 1);
    }
}

}  // namespace

std::string ReadProfileString(std::string_view fileText, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize) {
    const std::string_view wantedSection = TrimBlanks(section);
    const std::string_view wantedKey = TrimBlanks(key);
    bool inSection = false;
    bool found = false;
    std::string_view value;

    ForEachLine(fileText, [&](std::string_view rawLine) {
        const std::string_view line = TrimBlanks(rawLine);
        if (line.empty() || line.front() == ';') {
            return false;
        }
        if (line.front() == '[') {
            if (inSection) {
                return true;  // the first matching section ended without the key
            }
            std::string_view name = line.substr(1);
            name = name.substr(0, name.find(']'));
            inSection = EqualNoCase(TrimBlanks(name), wantedSection);
            return false;
        }
        if (!inSection) {
            return false;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos ||
            !EqualNoCase(TrimBlanks(line.substr(0, equals)), wantedKey)) {
            return false;
        }
        value = Unquote(TrimBlanks(line.substr(equals + 1)));
        found = true;
        return true;
    });

    if (found) {
        return CutToBuffer(value, bufferSize);
    }
    std::string_view fallback = defaultValue;
    while (!fallback.empty() && IsBlank(fallback.back())) {
        fallback.remove_suffix(1);
    }
    return CutToBuffer(fallback, bufferSize);
}

}  // namespace kelm9d
