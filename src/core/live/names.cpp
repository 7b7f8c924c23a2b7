#include "core/live/names.h"

#include "core/platform/localetext.h"
#include "core/platform/profile.h"

#include <algorithm>

namespace {

bool IsPlainAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

bool IsBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

/// Letters of the scripts written right to left (Hebrew, Arabic, Syriac, Thaana, N'Ko, ...,
/// and their presentation forms).
bool IsRightToLeftLetter(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFF) || (c >= 0x10800 && c <= 0x10FFF) ||
           (c >= 0x1E800 && c <= 0x1EFFF);
}

/// `name` without its bidirectional controls: invisible, they only reorder what they touch,
/// and a byte cut must not spend the name's few bytes on them. Names that are not UTF-8 stay.
std::string WithoutBidiControls(const std::string& name) {
    if (IsPlainAscii(name) || !IsValidUtf8(name)) {
        return name;
    }
    std::string kept;
    for (const char32_t c : DecodeText(name)) {
        if (!IsBidiControl(c)) {
            AppendUtf8(kept, c);
        }
    }
    return kept;
}

} // namespace

std::string TNameLists::LoadAliases(const std::string& iniPath) {
    Aliases.clear();
    std::string error;
    const std::string text = ReadProfileFile(iniPath, &error);
    const std::vector<TProfileEntry> entries = ProfileSection(text, "DriverNameAlias");
    const std::size_t listed = ListedKeyCount(entries);
    Aliases.reserve(listed);
    for (std::size_t i = 0; i < listed; ++i) {
        Aliases.push_back(entries[i].Key + "=" + entries[i].Value);
    }
    return error;
}

std::string TNameLists::AliasOf(const std::string& driver) const {
    for (const std::string& line : Aliases) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        if (EqualsIgnoreCase(std::string_view(line).substr(0, eq), driver)) {
            return line.substr(eq + 1);
        }
    }
    return {};
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

namespace {

bool ContinuesSequence(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

/// The first `count` bytes; in a valid UTF-8 text the cut moves back before a character it
/// would split, so the tower never shows the broken half of one.
std::string FirstBytes(std::string text, int count, bool utf8) {
    if (count <= 0) {
        return {};
    }
    std::size_t cut = static_cast<std::size_t>(count);
    if (text.size() <= cut) {
        return text;
    }
    while (utf8 && cut > 0 && ContinuesSequence(text[cut])) {
        --cut;
    }
    text.resize(cut);
    return text;
}

/// The bytes of the first character: the whole sequence in a valid UTF-8 text, else one byte.
std::size_t FirstCharacterLength(const std::string& text, bool utf8) {
    std::size_t length = 1;
    while (utf8 && length < text.size() && ContinuesSequence(text[length])) {
        ++length;
    }
    return length;
}

} // namespace

std::string ShortenName(const std::string& name, int nameLength) {
    const bool utf8 = IsValidUtf8(name);
    std::string s = name;
    const std::size_t space = s.find(' ');
    // At least two bytes must stand before the first space for "Tom Rider" to become "T.Rider".
    if (nameLength >= 0 && s.size() > static_cast<std::size_t>(nameLength) &&
        space != std::string::npos && space >= 2) {
        s = s.substr(0, FirstCharacterLength(s, utf8)) + "." + s.substr(space + 1);
    }
    return FirstBytes(UpperAscii(std::move(s)), nameLength, utf8);
}

namespace {

char UpperAsciiChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// ShortenName of a plain ASCII name, built in one go: the tower asks for every name at every
/// reading, and nearly all names are plain ASCII.
std::string ShortenAsciiName(std::string_view name, int nameLength) {
    std::string shown;
    if (nameLength <= 0) {
        return shown;
    }
    const std::size_t length = static_cast<std::size_t>(nameLength);
    shown.reserve(std::min(length, name.size()));
    const std::size_t space = name.find(' ');
    if (name.size() > length && space != std::string_view::npos && space >= 2) {
        shown += UpperAsciiChar(name.front());
        shown += '.';
        name.remove_prefix(space + 1);
    }
    for (std::size_t i = 0; i < name.size() && shown.size() < length; ++i) {
        shown += UpperAsciiChar(name[i]);
    }
    shown.resize(std::min(shown.size(), length)); // "T." is already too long for one byte
    return shown;
}

} // namespace

std::string DisplayName(const TPlayer& player, int nameLength) {
    if (player.Alias.empty() && IsPlainAscii(player.Driver)) {
        return ShortenAsciiName(player.Driver, nameLength);
    }
    if (!player.Alias.empty()) {
        const std::string alias = WithoutBidiControls(player.Alias);
        return FirstBytes(UpperAscii(alias), nameLength, IsValidUtf8(alias));
    }
    return ShortenName(WithoutBidiControls(player.Driver), nameLength);
}

std::string IsolatedName(const std::string& name) {
    std::string kept = WithoutBidiControls(name);
    const std::u32string characters = DecodeText(kept);
    const bool rightToLeft =
        IsValidUtf8(kept) && std::any_of(characters.begin(), characters.end(), IsRightToLeftLetter);
    return rightToLeft ? "\u2068" + kept + "\u2069" : kept;
}

bool TNameLists::IsIgnored(const std::string& driver) const {
    if (!Ignored) {
        return false;
    }
    for (const std::string& line : *Ignored) {
        if (EqualsIgnoreCase(line, driver)) {
            return true;
        }
    }
    return false;
}

void TNameLists::ApplyIgnoreList(std::vector<std::string>& memoLines) {
    std::erase_if(memoLines, [](const std::string& line) { return line.empty(); });
    if (memoLines.empty()) {
        Ignored.reset();
        return;
    }
    Ignored = memoLines;
}

std::string TNameLists::ReloadAliases(const std::string& iniPath, TPlayers& players) {
    std::string error = LoadAliases(iniPath);
    for (int i = 0; i < players.Count(); ++i) {
        players.Item(i).Alias = AliasOf(players.Item(i).Driver);
    }
    return error;
}

TNameRules TNameLists::MergeRules() const {
    TNameRules rules;
    rules.IsIgnored = [this](const std::string& driver) { return IsIgnored(driver); };
    rules.AliasOf = [this](const std::string& driver) { return AliasOf(driver); };
    return rules;
}
