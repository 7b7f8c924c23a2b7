#include "core/web/webroutes.h"

#include "core/platform/jsontext.h"
#include "core/web/websocket.h"

namespace {

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 401:
        return "Unauthorized";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

bool HasToken(const std::string& list, const std::string& token) {
    const std::string lower = LowerAscii(list);
    std::size_t start = 0;
    while (start <= lower.size()) {
        std::size_t comma = lower.find(',', start);
        if (comma == std::string::npos) {
            comma = lower.size();
        }
        std::string item = lower.substr(start, comma - start);
        const std::size_t first = item.find_first_not_of(" \t");
        const std::size_t last = item.find_last_not_of(" \t");
        if (first != std::string::npos && item.substr(first, last - first + 1) == token) {
            return true;
        }
        start = comma + 1;
    }
    return false;
}

std::optional<TWebPage> PageNamed(const std::string& name) {
    if (name == "tower") {
        return TWebPage::Tower;
    }
    if (name == "ticker") {
        return TWebPage::Ticker;
    }
    return std::nullopt;
}

TSocketRequest SocketFor(TWebPage page, const std::map<std::string, std::string>& query) {
    const auto transparent = query.find("transparent");
    return {page, transparent != query.end() && transparent->second == "1"};
}

TWebAnswer HtmlAnswer() {
    TWebAnswer answer;
    answer.ContentType = "text/html; charset=utf-8";
    return answer;
}

} // namespace

bool OwnOrigin(const TRequestHead& head) {
    const auto origin = head.Headers.find("origin");
    if (origin == head.Headers.end()) {
        return true;
    }
    const std::string host = LowerAscii(head.Header("host"));
    const std::string value = LowerAscii(origin->second);
    return !host.empty() && (value == "http://" + host || value == "https://" + host);
}

TWebAnswer ErrorAnswer(int status) {
    TWebAnswer answer;
    answer.Status = status;
    answer.ContentType = "text/plain; charset=utf-8";
    answer.Body = std::string(ReasonPhrase(status)) + "\n";
    return answer;
}

TWebRoute RouteRequest(const TRequestHead& head) {
    TWebRoute route;
    const bool headOnly = head.Method == "HEAD";
    if (head.Method != "GET" && !headOnly) {
        route.Answer = ErrorAnswer(405);
        return route;
    }
    if (head.Path == "/") {
        route.Page = TBuiltInPage::Index;
        route.Answer = HtmlAnswer();
    } else if (const auto page = PageNamed(head.Path.substr(1)); page && head.Path[0] == '/') {
        route.Page = *page == TWebPage::Tower ? TBuiltInPage::Tower : TBuiltInPage::Ticker;
        route.Answer = HtmlAnswer();
    } else if (head.Path.compare(0, 8, "/socket/") == 0 && PageNamed(head.Path.substr(8))) {
        if (headOnly || !HasToken(head.Header("upgrade"), "websocket") ||
            !HasToken(head.Header("connection"), "upgrade") ||
            head.Header("sec-websocket-version") != "13" ||
            !ValidWebSocketKey(head.Header("sec-websocket-key"))) {
            route.Answer = ErrorAnswer(400);
        } else if (!OwnOrigin(head)) {
            route.Answer = ErrorAnswer(403);
        } else {
            route.Socket = SocketFor(*PageNamed(head.Path.substr(8)), head.Query);
        }
        return route;
    } else {
        route.Answer = ErrorAnswer(404);
    }
    route.Answer.HeadOnly = headOnly;
    return route;
}

std::string ResponseBytes(const TWebAnswer& answer) {
    std::string bytes =
        "HTTP/1.1 " + std::to_string(answer.Status) + " " + ReasonPhrase(answer.Status) + "\r\n";
    // A 304 is the client's own copy: it describes no body of its own.
    if (answer.Status != 304) {
        bytes += "Content-Type: " + answer.ContentType + "\r\n";
        bytes += "Content-Length: " + std::to_string(answer.Body.size()) + "\r\n";
    }
    if (answer.Status == 405) {
        bytes +=
            "Allow: " + (answer.Allow.empty() ? std::string("GET, HEAD") : answer.Allow) + "\r\n";
    }
    if (answer.RetryAfterSeconds > 0) {
        bytes += "Retry-After: " + std::to_string(answer.RetryAfterSeconds) + "\r\n";
    }
    if (answer.Challenge) {
        bytes += "WWW-Authenticate: Bearer realm=\"kestrune\"\r\n";
    }
    if (!answer.ETag.empty()) {
        bytes += "ETag: \"" + answer.ETag + "\"\r\nCache-Control: no-cache\r\n";
    } else {
        bytes += "Cache-Control: no-store\r\n";
    }
    // The pages are pictures of live windows: never cached, never framed by other sites (a
    // foreign page full of frames of ours would take the live channels a browser source needs).
    bytes += "X-Content-Type-Options: nosniff\r\n"
             "Content-Security-Policy: frame-ancestors 'self'\r\nX-Frame-Options: SAMEORIGIN\r\n"
             "Connection: " +
             std::string(answer.KeepAlive ? "keep-alive" : "close") + "\r\n\r\n";
    if (!answer.HeadOnly) {
        bytes += answer.Body;
    }
    return bytes;
}

TWebAnswer VersionedAnswer(const std::string& body, const std::string& contentType,
                           const std::string& version, const std::string& ifNoneMatch) {
    TWebAnswer answer;
    answer.ETag = version;
    const bool matches =
        !ifNoneMatch.empty() &&
        (ifNoneMatch == "*" || ifNoneMatch.find("\"" + version + "\"") != std::string::npos);
    if (matches) {
        answer.Status = 304;
        return answer;
    }
    answer.ContentType = contentType;
    answer.Body = body;
    return answer;
}

TWebAnswer JsonAnswer(std::string body, int status) {
    TWebAnswer answer;
    answer.Status = status;
    answer.ContentType = "application/json; charset=utf-8";
    answer.Body = std::move(body) + "\n";
    return answer;
}

TWebAnswer JsonError(int status, const std::string& message) {
    return JsonAnswer("{\"error\":" + JsonQuoted(message) + "}", status);
}
