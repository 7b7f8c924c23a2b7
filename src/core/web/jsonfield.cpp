#include "core/web/jsonfield.h"

#include "core/platform/utf8text.h"

#include <cstdint>
#include <map>
#include <optional>

namespace {

/// Objects and arrays nested deeper than this are refused rather than followed.
constexpr int MaxDepth = 32;

class TJsonReader {
  public:
    explicit TJsonReader(std::string_view text) : Text(text) {}

    /// Reads the top object, keeping its string fields; false when it is not well formed.
    bool ReadTopObject(std::map<std::string, std::string>& strings, std::string& other) {
        SkipBlanks();
        if (!ReadObject(0, &strings, &other)) {
            return false;
        }
        SkipBlanks();
        return At == Text.size();
    }

  private:
    void SkipBlanks() {
        while (At < Text.size() &&
               (Text[At] == ' ' || Text[At] == '\t' || Text[At] == '\n' || Text[At] == '\r')) {
            ++At;
        }
    }

    bool Take(char c) {
        SkipBlanks();
        if (At < Text.size() && Text[At] == c) {
            ++At;
            return true;
        }
        return false;
    }

    /// The fields of an object; `strings` and `other` (names of fields that are no strings)
    /// are filled only for the top object.
    bool ReadObject(int depth, std::map<std::string, std::string>* strings, std::string* other) {
        if (depth > MaxDepth || !Take('{')) {
            return false;
        }
        if (Take('}')) {
            return true;
        }
        do {
            SkipBlanks();
            std::string name;
            if (!ReadString(name) || !Take(':')) {
                return false;
            }
            SkipBlanks();
            if (At < Text.size() && Text[At] == '"') {
                std::string value;
                if (!ReadString(value)) {
                    return false;
                }
                if (strings != nullptr) {
                    strings->emplace(name, std::move(value));
                }
            } else {
                if (!ReadValue(depth + 1)) {
                    return false;
                }
                if (other != nullptr) {
                    *other += '\n' + name + '\n';
                }
            }
        } while (Take(','));
        return Take('}');
    }

    bool ReadArray(int depth) {
        if (depth > MaxDepth || !Take('[')) {
            return false;
        }
        if (Take(']')) {
            return true;
        }
        do {
            if (!ReadValue(depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }

    bool ReadValue(int depth) {
        SkipBlanks();
        if (At >= Text.size()) {
            return false;
        }
        switch (Text[At]) {
        case '{':
            return ReadObject(depth, nullptr, nullptr);
        case '[':
            return ReadArray(depth);
        case '"': {
            std::string ignored;
            return ReadString(ignored);
        }
        default:
            return ReadWord("true") || ReadWord("false") || ReadWord("null") || ReadNumber();
        }
    }

    bool ReadWord(std::string_view word) {
        if (Text.substr(At, word.size()) != word) {
            return false;
        }
        At += word.size();
        return true;
    }

    bool ReadDigits() {
        const std::size_t start = At;
        while (At < Text.size() && Text[At] >= '0' && Text[At] <= '9') {
            ++At;
        }
        return At > start;
    }

    bool ReadNumber() {
        if (At < Text.size() && Text[At] == '-') {
            ++At;
        }
        if (!ReadDigits()) {
            return false;
        }
        if (At < Text.size() && Text[At] == '.') {
            ++At;
            if (!ReadDigits()) {
                return false;
            }
        }
        if (At < Text.size() && (Text[At] == 'e' || Text[At] == 'E')) {
            ++At;
            if (At < Text.size() && (Text[At] == '+' || Text[At] == '-')) {
                ++At;
            }
            return ReadDigits();
        }
        return true;
    }

    std::optional<uint32_t> ReadHex4() {
        if (At + 4 > Text.size()) {
            return std::nullopt;
        }
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Text[At++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= static_cast<uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                value |= static_cast<uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                value |= static_cast<uint32_t>(c - 'A' + 10);
            } else {
                return std::nullopt;
            }
        }
        return value;
    }

    /// A \u escape, with the second half of a surrogate pair; a lone half has no UTF-8 form,
    /// so it is refused.
    bool ReadUnicodeEscape(std::string& to) {
        const auto first = ReadHex4();
        if (!first) {
            return false;
        }
        uint32_t c = *first;
        if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (!ReadWord("\\u")) {
                return false;
            }
            const auto second = ReadHex4();
            if (!second || *second < 0xDC00 || *second > 0xDFFF) {
                return false;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (*second - 0xDC00);
        }
        AppendUtf8(to, c);
        return true;
    }

    bool ReadString(std::string& to) {
        if (At >= Text.size() || Text[At] != '"') {
            return false;
        }
        ++At;
        while (At < Text.size()) {
            const char c = Text[At++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
            if (c != '\\') {
                to += c;
                continue;
            }
            if (At >= Text.size()) {
                return false;
            }
            const char escaped = Text[At++];
            switch (escaped) {
            case '"':
            case '\\':
            case '/':
                to += escaped;
                break;
            case 'b':
                to += '\b';
                break;
            case 'f':
                to += '\f';
                break;
            case 'n':
                to += '\n';
                break;
            case 'r':
                to += '\r';
                break;
            case 't':
                to += '\t';
                break;
            case 'u':
                if (!ReadUnicodeEscape(to)) {
                    return false;
                }
                break;
            default:
                return false;
            }
        }
        return false;
    }

    std::string_view Text;
    std::size_t At = 0;
};

} // namespace

std::variant<std::string, TJsonFieldError> JsonStringField(std::string_view json,
                                                           std::string_view name) {
    std::map<std::string, std::string> strings;
    std::string other;
    if (!TJsonReader(json).ReadTopObject(strings, other)) {
        return TJsonFieldError{"the body is not a well-formed JSON object"};
    }
    const auto found = strings.find(std::string(name));
    if (found != strings.end()) {
        return found->second;
    }
    if (other.find('\n' + std::string(name) + '\n') != std::string::npos) {
        return TJsonFieldError{"the field '" + std::string(name) + "' is not a string"};
    }
    return TJsonFieldError{"the JSON object has no field '" + std::string(name) + "'"};
}
