#pragma once
// Initialisation files with the semantics the configuration relies on: "[Section]" lines open a
// section, "key=value" lines follow; sections and keys match without regard to case; a value
// reads as at most 2047 bytes; a write replaces one value in place and keeps every other line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t MaxProfileValue = 2047;
/// A configuration file larger than this is not a configuration file.
constexpr std::size_t MaxProfileFile = 16u * 1024u * 1024u;
/// Key names are listed through a buffer of this size, each followed by a zero byte, the list
/// by one more; a key that does not fit is not listed.
constexpr std::size_t ProfileKeyListBuffer = 16384;

/// The value of `key` in `section` of an initialisation text, or nullopt when absent.
std::optional<std::string> ProfileValue(std::string_view text, std::string_view section,
                                        std::string_view key);

/// The keys of `section`, in file order, each once.
std::vector<std::string> ProfileKeys(std::string_view text, std::string_view section);

/// One key of a section and the value ProfileValue gives for it.
struct TProfileEntry {
    std::string Key;
    std::string Value;
};

/// Every key of `section` once, in file order, with its value, found in one pass over the
/// text: a section of thousands of keys costs no more than reading it.
std::vector<TProfileEntry> ProfileSection(std::string_view text, std::string_view section);

/// How many of the first entries have keys that fit the key-list buffer, as ProfileKeys lists.
std::size_t ListedKeyCount(const std::vector<TProfileEntry>& entries);

/// The text with `key` of `section` set to `value`: the key's line replaced in place, or the
/// key (and section) added. Every other byte stays as it was. Throws std::invalid_argument for
/// a section, key or value that cannot be stored on one line, and for a key beginning with "["
/// or ";", whose line would read as a section or a comment.
std::string WithProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

/// The text of an initialisation file, read anew; a missing or unreadable file reads as empty.
/// Reading it once and asking ProfileValue/ProfileKeys of the text saves a read per key.
/// `error`, when given, receives why a file that exists could not be read (too large, not a
/// regular file, no permission, ...), with the system's reason; it stays empty otherwise.
std::string ReadProfileFile(const std::string& path, std::string* error = nullptr);

/// The same three on a file, read anew at every call. A missing or unreadable file reads as
/// empty.
std::optional<std::string> ReadProfileString(const std::string& path, std::string_view section,
                                             std::string_view key);
std::vector<std::string> ReadProfileKeys(const std::string& path, std::string_view section);

/// The text of a file about to be updated: empty when it does not exist. Throws
/// std::runtime_error with the system's message when it exists but cannot be read, and when its
/// owner made it read-only (also for root), so it is never replaced by one that lost its keys.
std::string ReadProfileForUpdate(const std::string& path);
/// Replaces the file with `text` in one step: written and flushed beside it, then renamed over
/// it, so a failure leaves the old file intact. Throws std::runtime_error with the system's
/// message. `ownerOnly`: the text holds a secret, and the file is made readable and writable by
/// its owner alone (on Windows it keeps the folder's permissions).
void ReplaceProfileFile(const std::string& path, const std::string& text, bool ownerOnly = false);

/// Writes one value. The new file is written beside the old one and renamed over it, so a
/// failure leaves the old file intact. A file its owner made read-only is not replaced.
/// Throws std::runtime_error with the system's message.
void WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
