// A strict JSON reader for the batch host's report lines: a line is accepted
// only when it is exactly one valid JSON value in valid UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelm9d::testing {

struct JsonValue {
    enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

    Kind kind = Kind::kNull;
    bool boolean = false;
    double number = 0.0;
    std::string string;               // kString, UTF-8
    std::vector<JsonValue> elements;  // kArray; kObject: the values
    std::vector<std::string> keys;    // kObject, in the order written

    bool IsObject() const { return kind == Kind::kObject; }
    // The member named `key`, or a null value when there is none.
    const JsonValue& operator[](std::string_view key) const;
    bool Has(std::string_view key) const;
    // Every string element of an array, in order.
    std::vector<std::string> Strings() const;
};

// The value `text` holds, or nullopt with `error` saying what was wrong when
// it is not exactly one JSON value (white space around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace kelm9d::testing
