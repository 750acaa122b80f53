#include "tests/e2e/json_reader.h"

#include <cstdint>
#include <cstdlib>

namespace kelm9d::testing {
namespace {

const JsonValue kNull{};

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        JsonValue value;
        SkipSpace();
        if (!Value(value, 0)) {
            return std::nullopt;
        }
        SkipSpace();
        if (pos_ != text_.size()) {
            return Fail("text after the value");
        }
        return value;
    }

    const std::string& Error() const { return error_; }

  private:
    static constexpr int kMaxDepth = 64;

    std::nullopt_t Fail(const std::string& what) {
        if (error_.empty()) {
            error_ = what + " at offset " + std::to_string(pos_);
        }
        return std::nullopt;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            ++pos_;
        }
    }

    bool Literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) {
            Fail("bad literal");
            return false;
        }
        pos_ += word.size();
        return true;
    }

    bool Value(JsonValue& value, int depth) {
        if (depth > kMaxDepth) {
            Fail("nested too deeply");
            return false;
        }
        switch (Peek()) {
            case '{':
                return Object(value, depth);
            case '[':
                return Array(value, depth);
            case '"':
                value.kind = JsonValue::Kind::kString;
                return String(value.string);
            case 't':
                value.kind = JsonValue::Kind::kBool;
                value.boolean = true;
                return Literal("true");
            case 'f':
                value.kind = JsonValue::Kind::kBool;
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number(value);
        }
    }

    bool Object(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::kObject;
        ++pos_;
        SkipSpace();
        if (Peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            std::string key;
            if (Peek() != '"' || !String(key)) {
                Fail("object key expected");
                return false;
            }
            SkipSpace();
            if (Peek() != ':') {
                Fail("':' expected");
                return false;
            }
            ++pos_;
            SkipSpace();
            JsonValue member;
            if (!Value(member, depth + 1)) {
                return false;
            }
            value.keys.push_back(std::move(key));
            value.elements.push_back(std::move(member));
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == '}') {
                ++pos_;
                return true;
            }
            Fail("',' or '}' expected");
            return false;
        }
    }

    bool Array(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::kArray;
        ++pos_;
        SkipSpace();
        if (Peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            JsonValue element;
            if (!Value(element, depth + 1)) {
                return false;
            }
            value.elements.push_back(std::move(element));
            SkipSpace();
            if (Peek() == ',') {
                ++pos_;
                continue;
            }
            if (Peek() == ']') {
                ++pos_;
                return true;
            }
            Fail("',' or ']' expected");
            return false;
        }
    }

    bool Hex4(std::uint32_t& code) {
        code = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            const char c = Peek();
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                Fail("bad \\u escape");
                return false;
            }
            code = code * 16 + digit;
        }
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code) {
        const auto byte = [&](std::uint32_t b) { out += static_cast<char>(b); };
        if (code < 0x80) {
            byte(code);
        } else if (code < 0x800) {
            byte(0xC0 | (code >> 6));
            byte(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            byte(0xE0 | (code >> 12));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        } else {
            byte(0xF0 | (code >> 18));
            byte(0x80 | ((code >> 12) & 0x3F));
            byte(0x80 | ((code >> 6) & 0x3F));
            byte(0x80 | (code & 0x3F));
        }
    }

    // Length of the valid UTF-8 sequence at pos_, or 0.
    std::size_t Utf8Length() const {
        const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text_[pos_ + k]); };
        const unsigned char lead = at(0);
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1FU, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0FU, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07U, minimum = 0x10000;
        } else {
            return 0;
        }
        if (pos_ + length > text_.size()) {
            return 0;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((at(k) & 0xC0) != 0x80) {
                return 0;
            }
            code = (code << 6) | (at(k) & 0x3FU);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return 0;
        }
        return length;
    }

    bool String(std::string& out) {
        ++pos_;  // the opening quote
        while (!AtEnd()) {
            const auto c = static_cast<unsigned char>(Peek());
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20) {
                Fail("control character in a string");
                return false;
            }
            if (c >= 0x80) {
                const std::size_t length = Utf8Length();
                if (length == 0) {
                    Fail("invalid UTF-8");
                    return false;
                }
                out.append(text_.substr(pos_, length));
                pos_ += length;
                continue;
            }
            ++pos_;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            const char escape = Peek();
            ++pos_;
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    std::uint32_t code = 0;
                    if (!Hex4(code)) {
                        return false;
                    }
                    if (code >= 0xD800 && code <= 0xDBFF) {
                        std::uint32_t low = 0;
                        if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
                            Fail("unpaired surrogate");
                            return false;
                        }
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xDC00 && code <= 0xDFFF) {
                        Fail("unpaired surrogate");
                        return false;
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    Fail("bad escape");
                    return false;
            }
        }
        Fail("unterminated string");
        return false;
    }

    bool Digits() {
        const std::size_t start = pos_;
        while (Peek() >= '0' && Peek() <= '9') {
            ++pos_;
        }
        return pos_ > start;
    }

    bool Number(JsonValue& value) {
        const std::size_t start = pos_;
        if (Peek() == '-') {
            ++pos_;
        }
        if (Peek() == '0') {
            ++pos_;
        } else if (!Digits()) {
            Fail("value expected");
            return false;
        }
        if (Peek() == '.') {
            ++pos_;
            if (!Digits()) {
                Fail("digits expected after '.'");
                return false;
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++pos_;
            if (Peek() == '+' || Peek() == '-') {
                ++pos_;
            }
            if (!Digits()) {
                Fail("digits expected in the exponent");
                return false;
            }
        }
        value.kind = JsonValue::Kind::kNumber;
        value.number = std::strtod(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string error_;
};

}  // namespace

const JsonValue& JsonValue::operator[](std::string_view key) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) {
            return elements[i];
        }
    }
    return kNull;
}

bool JsonValue::Has(std::string_view key) const {
    for (const std::string& k : keys) {
        if (k == key) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> JsonValue::Strings() const {
    std::vector<std::string> texts;
    for (const JsonValue& element : elements) {
        if (element.kind == Kind::kString) {
            texts.push_back(element.string);
        }
    }
    return texts;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
    Reader reader(text);
    std::optional<JsonValue> value = reader.Document();
    if (!value && error != nullptr) {
        *error = reader.Error();
    }
    return value;
}

}  // namespace kelm9d::testing
