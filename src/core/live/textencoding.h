#pragma once
// The byte form of a live file. The parser reads bytes (UTF-8, or the plug-in's code page), so
// a plug-in that writes UTF-16 would show nothing at all: such text is converted first.

#include <string>

enum class TTextEncoding {
    Bytes,           ///< taken as it is
    Utf16,           ///< UTF-16 with a byte-order mark, converted to UTF-8
    Utf16WithoutMark ///< looks like UTF-16 (every other byte zero) but has no mark: unreadable
};

/// `bytes` as the parser reads them: UTF-16 with a byte-order mark (either byte order) becomes
/// UTF-8 (an unpaired surrogate becomes U+FFFD, an odd last byte is dropped); anything else is
/// returned as it is. `encoding` says which, and whether the bytes look like UTF-16 without a
/// mark, which cannot be told apart from other text safely and is left alone.
std::string LiveTextBytes(std::string bytes, TTextEncoding& encoding);
