#pragma once
// What the browser-source server answers to a request head: one of its own pages, the live
// channel of a page, or a refusal. Nothing here ever names a file: the server is read-only and
// serves only what is built into the program (the pages' text is the server's, ui/web/webpages).

#include "core/web/httprequest.h"

#include <optional>
#include <string>

enum class TWebPage { Tower, Ticker };

/// The pages built into the server: the index and one per broadcast window.
enum class TBuiltInPage { Index, Tower, Ticker };

/// A window's client size, as the page shows it at scale 1.
struct TPageSize {
    int Width = 0;
    int Height = 0;
};

struct TWebSizes {
    TPageSize Tower;
    TPageSize Ticker;
};

/// A WebSocket request for the live pictures of one page.
struct TSocketRequest {
    TWebPage Page = TWebPage::Tower;
    /// The design's black background sent as transparent pixels.
    bool Transparent = false;
};

struct TWebAnswer {
    int Status = 200;
    std::string ContentType;
    std::string Body;
    /// HEAD: the headers of the GET answer without its body.
    bool HeadOnly = false;
    /// The methods a 405 names (GET, HEAD when empty).
    std::string Allow;
    /// A 401 that asks for a bearer token.
    bool Challenge = false;
    /// A 429: when the client may try again.
    int RetryAfterSeconds = 0;
    /// The connection stays open for the client's next request (a poller's, or a control
    /// surface's), instead of closing after this answer.
    bool KeepAlive = false;
    /// Data that pollers ask for again: the version of the answer, so that an unchanged one
    /// is a 304 with no body; kept by the client (no-cache) rather than never (no-store).
    std::string ETag;
};

struct TWebRoute {
    /// Set when the request is a WebSocket handshake to hand over; Answer is unused then.
    std::optional<TSocketRequest> Socket;
    /// Set when the answer is a built-in page: Answer has its status, type and HEAD flag, and
    /// the server puts the page's text into its body (for HEAD too, which sends only the length).
    std::optional<TBuiltInPage> Page;
    TWebAnswer Answer;
};

/// Whether a request comes from a page of this server, or from a program: a browser names the
/// page's site in Origin, which must then be this server's own host.
bool OwnOrigin(const TRequestHead& head);

/// Routes a complete request head.
TWebRoute RouteRequest(const TRequestHead& head);

/// The whole HTTP answer; the connection is closed after it.
std::string ResponseBytes(const TWebAnswer& answer);

/// A plain-text answer with `status` (400, 401, 403, 404, 405, 411, 413, 429, 431, 503).
TWebAnswer ErrorAnswer(int status);

/// Data that pollers ask for again, at `version`: a 304 with no body when `ifNoneMatch` names
/// the version (or is "*"), else the body with its ETag.
TWebAnswer VersionedAnswer(const std::string& body, const std::string& contentType,
                           const std::string& version, const std::string& ifNoneMatch);

/// A JSON answer; `status` 200 unless an error.
TWebAnswer JsonAnswer(std::string body, int status = 200);
/// {"error": message} with a 4xx `status`.
TWebAnswer JsonError(int status, const std::string& message);
