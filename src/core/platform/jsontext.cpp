#include "core/platform/jsontext.h"

#include <cstdint>

namespace {

/// The length of the valid UTF-8 character at the start of `text`, or 0.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(0);
    std::size_t length = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}

/// `text` with every byte outside a valid UTF-8 character replaced by U+FFFD.
std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = Utf8Length(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        out.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return out;
}

} // namespace

std::string JsonQuoted(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : ValidUtf8(text)) {
        const auto byte = static_cast<uint8_t>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += Hex[byte >> 4];
            out += Hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string CsvField(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    const bool quoted = valid.find_first_of(",\"\r\n") != std::string::npos ||
                        (!valid.empty() && (valid.front() == ' ' || valid.back() == ' '));
    if (!quoted) {
        return valid;
    }
    std::string out = "\"";
    for (const char c : valid) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    return out + "\"";
}
