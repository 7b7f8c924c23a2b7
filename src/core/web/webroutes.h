#pragma once
// What the browser-source server answers to a request head: one of its own pages, the live
// channel of a page, or a refusal. Nothing here ever names a file: the server is read-only and
// serves only what is built into the program.

#include "core/web/httprequest.h"

#include <optional>
#include <string>

enum class TWebPage { Tower, Ticker };

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
};

struct TWebRoute {
    /// Set when the request is a WebSocket handshake to hand over; Answer is unused then.
    std::optional<TSocketRequest> Socket;
    TWebAnswer Answer;
};

/// Routes a complete request head.
TWebRoute RouteRequest(const TRequestHead& head, const TWebSizes& sizes);

/// The whole HTTP answer; the connection is closed after it.
std::string ResponseBytes(const TWebAnswer& answer);

/// A plain-text answer with `status` (400, 403, 404, 405, 431, 503).
TWebAnswer ErrorAnswer(int status);
