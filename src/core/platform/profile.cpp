#include "core/platform/profile.h"

#include "core/platform/localetext.h"

#include <set>
#include <stdexcept>

namespace {

constexpr std::string_view Blanks = " \t";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = s.find_last_not_of(Blanks);
    return s.substr(first, last - first + 1);
}

/// One line of the text: its content and where it starts and ends (line break excluded).
struct Line {
    std::string_view content;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0; // start of the following line
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        const std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r') {
            --end;
        }
        lines.push_back({text.substr(pos, end - pos), pos, end, next});
        pos = next;
    }
    return lines;
}

/// The section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = trimmed.find(']');
    const std::string_view inner =
        close == std::string_view::npos ? trimmed.substr(1) : trimmed.substr(1, close - 1);
    return Trim(inner);
}

/// The key of a "key=value" line, or nullopt for comments and lines without "=".
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const std::size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(trimmed.substr(0, eq));
}

std::string_view RawValue(std::string_view line) {
    const std::size_t eq = line.find('=');
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

/// Lines [first, last) of the first section with the given name; first == last == npos if none.
struct SectionRange {
    std::size_t header = std::string_view::npos;
    std::size_t first = 0;
    std::size_t last = 0;
    bool found() const { return header != std::string_view::npos; }
};

SectionRange FindSection(const std::vector<Line>& lines, std::string_view section) {
    SectionRange range;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string_view> name = SectionName(lines[i].content);
        if (!name) {
            continue;
        }
        if (range.found()) {
            range.last = i;
            return range;
        }
        if (EqualsIgnoreCase(*name, Trim(section))) {
            range.header = i;
            range.first = i + 1;
        }
    }
    if (range.found()) {
        range.last = lines.size();
    }
    return range;
}

std::optional<std::size_t> FindKeyLine(const std::vector<Line>& lines, const SectionRange& range,
                                       std::string_view key) {
    for (std::size_t i = range.first; i < range.last; ++i) {
        const std::optional<std::string_view> name = KeyName(lines[i].content);
        if (name && EqualsIgnoreCase(*name, Trim(key))) {
            return i;
        }
    }
    return std::nullopt;
}

void RequireOneLine(std::string_view what, std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos ||
        text.find('\0') != std::string_view::npos) {
        throw std::invalid_argument(std::string(what) + " holds a line break or a zero byte");
    }
}

std::string_view LineBreakOf(std::string_view text) {
    const std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') {
        return "\r\n";
    }
    return "\n";
}

/// Where the new file goes: beside the file itself, also when the path is a symbolic link.
} // namespace

std::optional<std::string> ProfileValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const std::vector<Line> lines = SplitLines(text);
    const SectionRange range = FindSection(lines, section);
    if (!range.found()) {
        return std::nullopt;
    }
    const std::optional<std::size_t> at = FindKeyLine(lines, range, key);
    if (!at) {
        return std::nullopt;
    }
    const std::string_view value = RawValue(lines[*at].content);
    return std::string(value.substr(0, MaxProfileValue));
}

std::vector<TProfileEntry> ProfileSection(std::string_view text, std::string_view section) {
    const std::vector<Line> lines = SplitLines(text);
    const SectionRange range = FindSection(lines, section);
    std::vector<TProfileEntry> entries;
    if (!range.found()) {
        return entries;
    }
    std::set<std::u32string> listed;
    for (std::size_t i = range.first; i < range.last; ++i) {
        const std::optional<std::string_view> name = KeyName(lines[i].content);
        // A later line of a key already listed is not the one ProfileValue reads.
        if (!name || name->empty() || !listed.insert(FoldCase(*name)).second) {
            continue;
        }
        const std::string_view value = RawValue(lines[i].content);
        entries.push_back({std::string(*name), std::string(value.substr(0, MaxProfileValue))});
    }
    return entries;
}

std::size_t ListedKeyCount(const std::vector<TProfileEntry>& entries) {
    std::size_t used = 1; // the zero byte that ends the list
    for (std::size_t i = 0; i < entries.size(); ++i) {
        used += entries[i].Key.size() + 1;
        if (used > ProfileKeyListBuffer) {
            return i;
        }
    }
    return entries.size();
}

std::vector<std::string> ProfileKeys(std::string_view text, std::string_view section) {
    const std::vector<TProfileEntry> entries = ProfileSection(text, section);
    std::vector<std::string> keys;
    const std::size_t listed = ListedKeyCount(entries);
    for (std::size_t i = 0; i < listed; ++i) {
        keys.push_back(entries[i].Key);
    }
    return keys;
}

std::string WithProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
    RequireOneLine("The section name", section);
    RequireOneLine("The key", key);
    RequireOneLine("The value", value);
    if (Trim(section).empty() || section.find(']') != std::string_view::npos) {
        throw std::invalid_argument("The section name is empty or holds \"]\"");
    }
    if (Trim(key).empty() || key.find('=') != std::string_view::npos) {
        throw std::invalid_argument("The key is empty or holds \"=\"");
    }
    // Its line would read as a section or a comment: the value could never be read back.
    if (Trim(key).front() == '[' || Trim(key).front() == ';') {
        throw std::invalid_argument("The key begins with \"[\" or \";\"");
    }
    const std::vector<Line> lines = SplitLines(text);
    const std::string_view br = LineBreakOf(text);
    const SectionRange range = FindSection(lines, section);
    std::string result;
    result.reserve(text.size() + key.size() + value.size() + section.size() + 8);

    if (!range.found()) {
        result.append(text);
        if (!text.empty() && text.back() != '\n') {
            // A lone CR at the end already ends the last line for the reader: complete it,
            // or the line would take the CR into its value.
            result.append(text.back() == '\r' ? std::string_view("\n") : br);
        }
        result.append("[").append(section).append("]").append(br);
        result.append(key).append("=").append(value).append(br);
        return result;
    }
    const std::optional<std::size_t> at = FindKeyLine(lines, range, key);
    if (at) {
        // Keep the line's own key spelling and its line break; only the value changes.
        const Line& line = lines[*at];
        const std::size_t eq = line.begin + line.content.find('=');
        result.append(text.substr(0, eq + 1));
        result.append(value);
        result.append(text.substr(line.end));
        return result;
    }
    // A new key goes after the section's last non-blank line.
    std::size_t after = range.header;
    for (std::size_t i = range.first; i < range.last; ++i) {
        if (!Trim(lines[i].content).empty()) {
            after = i;
        }
    }
    const Line& anchor = lines[after];
    result.append(text.substr(0, anchor.end));
    if (anchor.next == anchor.end) {
        result.append(br); // the anchor was the last line and had no line break
        result.append(key).append("=").append(value);
        return result;
    }
    result.append(text.substr(anchor.end, anchor.next - anchor.end));
    if (text[anchor.next - 1] != '\n') {
        result.append("\n"); // a lone CR ending the text; alone it would join the two lines
    }
    result.append(key).append("=").append(value).append(br);
    result.append(text.substr(anchor.next));
    return result;
}

std::optional<std::string> ReadProfileString(const std::string& path, std::string_view section,
                                             std::string_view key) {
    return ProfileValue(ReadProfileFile(path), section, key);
}

std::vector<std::string> ReadProfileKeys(const std::string& path, std::string_view section) {
    return ProfileKeys(ReadProfileFile(path), section);
}

void WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    const std::string old = ReadProfileForUpdate(path);
    std::string updated;
    try {
        updated = WithProfileValue(old, section, key, value);
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error(e.what());
    }
    ReplaceProfileFile(path, updated);
}
