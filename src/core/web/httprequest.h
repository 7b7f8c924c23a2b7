#pragma once
// The head of an HTTP/1.x request as the browser-source server reads it: bounded, strict about
// its shape, and never more than the server needs (method, path, query and a few headers).

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

/// A request head longer than this is refused: the pages' requests are a few hundred bytes.
constexpr std::size_t MaxRequestHeadBytes = 8192;

enum class TRequestStatus {
    Incomplete, ///< no blank line yet; read more
    Complete,
    TooLarge, ///< no end within MaxRequestHeadBytes
    Malformed,
};

struct TRequestHead {
    std::string Method;
    /// "HTTP/1.1" or "HTTP/1.0".
    std::string Version;
    /// The path without its query, as sent ("/tower"); never decoded into a file name.
    std::string Path;
    /// The query's `name=value` pairs, percent-decoded; a name without '=' has an empty value.
    std::map<std::string, std::string> Query;
    /// Header names in lower case; a repeated header keeps its first value (a repeated
    /// Content-Length or Host makes the head malformed).
    std::map<std::string, std::string> Headers;

    /// The value of header `lowerName`, or empty.
    std::string Header(const std::string& lowerName) const;
};

struct TRequestRead {
    TRequestStatus Status = TRequestStatus::Incomplete;
    TRequestHead Head;
    /// Bytes of the head, blank line included, when Complete.
    std::size_t HeadLength = 0;
};

/// `text` with its ASCII capitals made small: HTTP's names and tokens ignore ASCII case only.
std::string LowerAscii(std::string_view text);

/// Adds the `name=value` pairs of `query` (percent-decoded) to `into`; false for a broken
/// escape.
bool ParseQuery(std::string_view query, std::map<std::string, std::string>& into);

/// Reads the request head at the start of `bytes` (what has arrived so far).
TRequestRead ReadRequestHead(std::string_view bytes);
