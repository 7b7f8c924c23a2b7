#pragma once
// Driver name aliases from the configuration file, short display names, and the ignore list.

#include "core/live/players.h"

#include <optional>
#include <string>
#include <vector>

/// Upper-cases a to z only; every other byte stays.
std::string UpperAscii(std::string text);

/// The display name formed from a driver name: "Tom Rider" gives "T.RID" for length 5. Lengths
/// count bytes, but a valid UTF-8 name is never cut inside a character: "Łukasz Żółwiński"
/// gives "Ł.Ż" (5 bytes), not a broken "Ż" or "ó".
std::string ShortenName(const std::string& name, int nameLength);

/// The record's alias cut to `nameLength` bytes and upper-cased, or else ShortenName.
/// Bidirectional controls in the name are dropped first (see IsolatedName).
std::string DisplayName(const TPlayer& player, int nameLength);

/// A name as it goes into a text with figures after it (a lap time, a gap, a count): its
/// bidirectional controls (embeddings, overrides, isolates, marks) are dropped, and a name with
/// right-to-left letters is wrapped in a first-strong isolate (U+2068 ... U+2069), so that
/// nothing in a name can reorder what follows it while Arabic and Hebrew names still read
/// right. Names without either, and names that are not UTF-8, come back as they are.
std::string IsolatedName(const std::string& name);

/// The operator's alias list (from the configuration file) and ignore list (from the
/// IgnoreList tab): what the merge asks of a driver's name.
class TNameLists {
  public:
    /// Refills the alias list ("name=alias" lines) from section "DriverNameAlias" of `iniPath`,
    /// reading the file once. A missing file or section leaves it empty. Returns why a file
    /// that exists could not be read (then the list is empty too), or an empty text.
    std::string LoadAliases(const std::string& iniPath);
    /// Replaces the alias list with the given "name=alias" lines (tests, replay).
    void SetAliases(std::vector<std::string> lines) { Aliases = std::move(lines); }
    const std::vector<std::string>& AliasList() const { return Aliases; }
    /// The text after "=" of the first alias line whose name equals `driver` without regard to
    /// case; empty when there is none.
    std::string AliasOf(const std::string& driver) const;

    /// True when a line of the ignore list equals `driver` without regard to case (no
    /// trimming).
    bool IsIgnored(const std::string& driver) const;
    /// "Apply": drops empty lines from `memoLines` (in place); the rest become the ignore list,
    /// which is absent when nothing is left.
    void ApplyIgnoreList(std::vector<std::string>& memoLines);
    /// The ignore list, or nullopt when absent.
    const std::optional<std::vector<std::string>>& IgnoreList() const { return Ignored; }

    /// "Reload Alias": reloads the alias list and renews Alias of every record of `players`.
    /// Returns LoadAliases' error.
    std::string ReloadAliases(const std::string& iniPath, TPlayers& players);
    /// The ignore test and alias lookup for Merge, bound to these lists (which must outlive
    /// the rules).
    TNameRules MergeRules() const;

  private:
    std::vector<std::string> Aliases;
    std::optional<std::vector<std::string>> Ignored;
};
