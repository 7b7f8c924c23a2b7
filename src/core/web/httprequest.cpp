#include "core/web/httprequest.h"

#include <algorithm>
#include <optional>

namespace {

bool IsTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

/// `text` with %XX and '+' decoded; nullopt for a broken escape.
std::optional<std::string> PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] != '%') {
            decoded += text[i];
        } else {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return decoded;
}

} // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

bool ParseQuery(std::string_view query, std::map<std::string, std::string>& into) {
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        const std::size_t equals = pair.find('=');
        const auto name = PercentDecoded(pair.substr(0, equals));
        const auto value = PercentDecoded(
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        if (!name || !value) {
            return false;
        }
        into.emplace(*name, *value);
    }
    return true;
}

namespace {

/// "GET /path?query HTTP/1.1"
bool ParseRequestLine(std::string_view line, TRequestHead& head) {
    const std::size_t firstSpace = line.find(' ');
    const std::size_t lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || lastSpace == firstSpace) {
        return false;
    }
    const std::string_view method = line.substr(0, firstSpace);
    const std::string_view target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = line.substr(lastSpace + 1);
    if (!IsToken(method) || (version != "HTTP/1.1" && version != "HTTP/1.0") || target.empty() ||
        target[0] != '/') {
        return false;
    }
    const bool printable = std::all_of(target.begin(), target.end(), [](char c) {
        return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable) {
        return false;
    }
    head.Method = std::string(method);
    head.Version = std::string(version);
    const std::size_t question = target.find('?');
    head.Path = std::string(target.substr(0, question));
    return question == std::string_view::npos ||
           ParseQuery(target.substr(question + 1), head.Query);
}

bool ParseHeaderLine(std::string_view line, TRequestHead& head) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !IsToken(line.substr(0, colon))) {
        return false;
    }
    const std::string_view value = Trimmed(line.substr(colon + 1));
    const bool clean = std::none_of(value.begin(), value.end(),
                                    [](char c) { return c == '\0' || c == '\r' || c == '\n'; });
    if (!clean) {
        return false;
    }
    const std::string name = LowerAscii(line.substr(0, colon));
    // Two lengths or two hosts may be read differently by a proxy in front: which one counts
    // is never guessed.
    if ((name == "content-length" || name == "host") && head.Headers.count(name) != 0) {
        return false;
    }
    head.Headers.emplace(name, std::string(value));
    return true;
}

} // namespace

std::string TRequestHead::Header(const std::string& lowerName) const {
    const auto found = Headers.find(lowerName);
    return found == Headers.end() ? std::string() : found->second;
}

TRequestRead ReadRequestHead(std::string_view bytes) {
    TRequestRead read;
    const std::size_t end = bytes.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        read.Status = bytes.size() >= MaxRequestHeadBytes ? TRequestStatus::TooLarge
                                                          : TRequestStatus::Incomplete;
        return read;
    }
    if (end + 4 > MaxRequestHeadBytes) {
        read.Status = TRequestStatus::TooLarge;
        return read;
    }
    std::string_view rest = bytes.substr(0, end);
    bool first = true;
    read.Status = TRequestStatus::Malformed;
    while (true) {
        const std::size_t lineEnd = rest.find("\r\n");
        const std::string_view line = rest.substr(0, lineEnd);
        if (first ? !ParseRequestLine(line, read.Head) : !ParseHeaderLine(line, read.Head)) {
            read.Head = {};
            return read;
        }
        first = false;
        if (lineEnd == std::string_view::npos) {
            break;
        }
        rest = rest.substr(lineEnd + 2);
    }
    read.Status = TRequestStatus::Complete;
    read.HeadLength = end + 4;
    return read;
}
