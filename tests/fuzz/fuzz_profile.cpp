// Reads and writes arbitrary initialisation texts and checks what a write promises: the value
// reads back, every other line stays as it was, and writing the same value again changes
// nothing. A broken promise aborts, so the fuzzer keeps the input.
//
// Input: section, key and value separated by the byte 0x1E, then the rest is the file's text
// (which may hold 0x1E itself).

#include "core/platform/profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char FieldSeparator = '\x1E';

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "profile property violated: %s\n", what);
    std::abort();
}

void Require(bool holds, const char* what) {
    if (!holds) {
        Violated(what);
    }
}

/// Lines as the reader sees them: cut at "\n", one "\r" before it (or at the very end) dropped.
/// A final line break does not start another line. The "\r" is left out because a last line
/// without a line break legitimately gains one when a key is added after it.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (nl == std::string_view::npos) {
            break;
        }
        text.remove_prefix(nl + 1);
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/// A value the reader gives back byte for byte: blanks at either end are trimmed on reading,
/// and a pair of enclosing quotes is taken off.
bool ReadsBackVerbatim(std::string_view value) {
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()))) {
        return false;
    }
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !quoted;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

/// The write changed one line in place (or none, when it held the value already), or inserted
/// the key's line (after the section's own line when the section was new), and left every
/// other line alone.
void CheckOtherLinesKept(std::string_view before, std::string_view after, std::string_view value) {
    const std::vector<std::string_view> old = Lines(before);
    const std::vector<std::string_view> now = Lines(after);
    std::size_t prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::size_t oldMiddle = old.size() - prefix - suffix;
    const std::size_t newMiddle = now.size() - prefix - suffix;
    Require(oldMiddle <= 1, "more than one existing line changed");
    Require(newMiddle <= 2, "more than two lines written");
    Require(oldMiddle == 0 || newMiddle == 1, "a replaced line also gained a neighbour");
    if (newMiddle == 0) {
        return; // the key already held this value
    }
    const std::string_view written = now[prefix + newMiddle - 1];
    Require(EndsWith(written, "=" + std::string(value)),
            "the written line does not end with the value");
}

void CheckWrite(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value) {
    std::string after;
    try {
        after = WithProfileValue(text, section, key, value);
    } catch (const std::invalid_argument&) {
        return;
    }
    const std::optional<std::string> read = ProfileValue(after, section, key);
    Require(read.has_value(), "the written key does not read back");
    if (ReadsBackVerbatim(value)) {
        Require(*read == value.substr(0, MaxProfileValue), "the value read back differs");
    } else {
        Require(value.find(*read) != std::string_view::npos, "the value read back is not in it");
    }
    CheckOtherLinesKept(text, after, value);
    Require(WithProfileValue(after, section, key, value) == after,
            "writing the same value twice changed the text");
}

/// Every listed key of a section reads as a value.
/// Keys of a section looked up again, at most: each lookup reads the whole text, so checking
/// every key of a long section costs the square of its length, and a key is found by the same
/// code wherever it stands.
constexpr std::size_t CheckedKeysAtEachEnd = 2;

void CheckKeysRead(std::string_view text, std::string_view section) {
    const std::vector<std::string> keys = ProfileKeys(text, section);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i == CheckedKeysAtEachEnd && keys.size() > 2 * CheckedKeysAtEachEnd) {
            i = keys.size() - CheckedKeysAtEachEnd;
        }
        Require(ProfileValue(text, section, keys[i]).has_value(), "a listed key has no value");
    }
}

std::string_view NextField(std::string_view& input) {
    const std::size_t cut = input.find(FieldSeparator);
    const std::string_view field = input.substr(0, cut);
    input.remove_prefix(cut == std::string_view::npos ? input.size() : cut + 1);
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = NextField(input);
    const std::string_view key = NextField(input);
    const std::string_view value = NextField(input);
    const std::string_view text = input;

    ProfileValue(text, section, key);
    CheckKeysRead(text, section);
    CheckKeysRead(text, key); // the key's bytes as a section name too: any name must be safe
    CheckWrite(text, section, key, value);
    return 0;
}
