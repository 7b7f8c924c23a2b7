#include "core/web/apiroutes.h"

#include "core/platform/jsontext.h"
#include "core/web/clienttext.h"
#include "core/web/jsonfield.h"

#include <algorithm>
#include <iterator>
#include <variant>

namespace {

struct TApiCall {
    const char* Method;
    const char* Path;
    TApiAction Action;
    const char* Target;
    const char* Operation;
    const char* What;
};

constexpr bool NeedsControl(const TApiCall& call) {
    return call.Method[0] == 'P';
}

// clang-format off
constexpr TApiCall Calls[] = {
    {"GET",  "/api",                     TApiAction::List,          "", "", "this list"},
    {"GET",  "/api/state",               TApiAction::State,         "", "", "what a control surface shows: the followed file, session, phase, flag, lap counter, the strip that runs, the windows shown, the ticker's text"},
    {"GET",  "/api/events",              TApiAction::Events,        "", "", "the state again on each change (Server-Sent Events, one 'state' event a change)"},
    {"POST", "/api/strip/best",          TApiAction::Strip,         "best", "", "Best Lap strip on the ticker; again while it runs ends it, as the button"},
    {"POST", "/api/strip/avg",           TApiAction::Strip,         "avg",  "", "Avg Lap strip, as its button"},
    {"POST", "/api/strip/pits",          TApiAction::Strip,         "pits", "", "Pit Stops strip, as its button"},
    {"POST", "/api/strip/gapl",          TApiAction::Strip,         "gapl", "", "GapL strip (gap to the leader), as its button"},
    {"POST", "/api/strip/gapi",          TApiAction::Strip,         "gapi", "", "GapI strip (interval to the car ahead), as its button"},
    {"POST", "/api/strip/stop",          TApiAction::StopStrip,     "", "", "ends the strip that runs, if any"},
    {"POST", "/api/window/tower/show",   TApiAction::Window,        "tower",  "show",   "shows the standings tower (Live Window)"},
    {"POST", "/api/window/tower/hide",   TApiAction::Window,        "tower",  "hide",   "hides the standings tower"},
    {"POST", "/api/window/tower/toggle", TApiAction::Window,        "tower",  "toggle", "shows or hides the standings tower, as the Live Window button"},
    {"POST", "/api/window/ticker/show",  TApiAction::Window,        "ticker", "show",   "shows the message ticker (Message Window)"},
    {"POST", "/api/window/ticker/hide",  TApiAction::Window,        "ticker", "hide",   "hides the message ticker"},
    {"POST", "/api/window/ticker/toggle",TApiAction::Window,        "ticker", "toggle", "shows or hides the message ticker, as the Message Window button"},
    {"POST", "/api/ticker/text",         TApiAction::TickerText,    "", "", "sets the ticker's free text (the Message tab): the body as text/plain, text=... form-encoded or in the query, or JSON {\"text\":...}; one line of UTF-8 without control characters; empty clears it"},
    {"POST", "/api/alias/reload",        TApiAction::ReloadAlias,   "", "", "rereads the alias list, as Reload Alias"},
    {"GET",  "/api/ignore",              TApiAction::IgnoreList,    "", "", "the ignore list"},
    {"POST", "/api/ignore",              TApiAction::SetIgnoreList, "", "", "replaces the ignore list with the body (or JSON {\"ignore\":...}), one driver a line, as Apply"},
    {"GET",  "/data/standings.json",     TApiAction::Data,          "standings.json", "", "the standings in tower order, one flat object a car"},
    {"GET",  "/data/standings.csv",      TApiAction::Data,          "standings.csv",  "", "the standings as CSV"},
    {"GET",  "/data/session.json",       TApiAction::Data,          "session.json",   "", "the session and its phase"},
    {"GET",  "/data/messages.json",      TApiAction::Data,          "messages.json",  "", "the race messages of the last minutes, newest first"},
    {"GET",  "/data/reports.json",       TApiAction::Data,          "reports.json",   "", "the reports of the Data tab"},
};
// clang-format on

bool TakesText(const TApiCall& call) {
    return call.Action == TApiAction::TickerText || call.Action == TApiAction::SetIgnoreList;
}

/// The JSON field that holds a call's text, as its answer names it.
const char* JsonFieldOf(const TApiCall& call) {
    return call.Action == TApiAction::SetIgnoreList ? "ignore" : "text";
}

/// The text a call carries: `?text=`, else a form's `text=` field, else a JSON object's field,
/// else the body itself (as curl sends `--data` marked as a form without being one). Nothing,
/// with `error` set, for a JSON body without the field.
std::optional<std::string> TextOf(const TApiCall& call, const TRequestHead& head,
                                  std::string_view body, std::string& error) {
    const auto query = head.Query.find("text");
    if (query != head.Query.end()) {
        return query->second;
    }
    const std::string type = LowerAscii(head.Header("content-type"));
    if (type.rfind("application/x-www-form-urlencoded", 0) == 0) {
        std::map<std::string, std::string> form;
        const auto field = ParseQuery(body, form) ? form.find("text") : form.end();
        if (field != form.end()) {
            return field->second;
        }
    }
    if (type.rfind("application/json", 0) == 0) {
        auto field = JsonStringField(body, JsonFieldOf(call));
        if (auto* failed = std::get_if<TJsonFieldError>(&field)) {
            error = failed->Reason;
            return std::nullopt;
        }
        return std::get<std::string>(std::move(field));
    }
    return std::string(body);
}

std::optional<std::string> BadValue(const TApiRequest& request) {
    if (request.Action == TApiAction::TickerText) {
        if (request.Text.size() > MaxTickerTextBytes) {
            return "the ticker's text is at most " + std::to_string(MaxTickerTextBytes) + " bytes";
        }
        if (const auto problem = OneLineTextProblem(request.Text)) {
            return "the ticker's text must be one line of text: " + *problem;
        }
    }
    return std::nullopt;
}

const TApiCall* FindCall(const std::string& method, const std::string& path) {
    const auto found = std::find_if(std::begin(Calls), std::end(Calls), [&](const TApiCall& call) {
        return path == call.Path && method == call.Method;
    });
    return found == std::end(Calls) ? nullptr : &*found;
}

TApiRoute Refused(int status, const std::string& message, std::string refusal) {
    TApiRoute route;
    route.Answer = JsonError(status, message);
    route.Refusal = std::move(refusal);
    return route;
}

} // namespace

bool IsApiPath(const std::string& path) {
    return path == "/api" || path.rfind("/api/", 0) == 0 || path.rfind("/data/", 0) == 0;
}

TApiRoute RouteApi(const TRequestHead& head, std::string_view body, const TWebAccess& access,
                   bool fromThisPC) {
    const bool headOnly = head.Method == "HEAD";
    const std::string method = headOnly ? "GET" : head.Method;
    const auto samePath = [&head](const TApiCall& call) { return head.Path == call.Path; };
    const TApiCall* found = FindCall(method, head.Path);
    if (found == nullptr) {
        std::string allowed;
        for (const TApiCall& call : Calls) {
            if (samePath(call)) {
                allowed += (allowed.empty() ? "" : ", ") + std::string(call.Method);
            }
        }
        TApiRoute route;
        route.Answer = allowed.empty()
                           ? JsonError(404, "no call " + head.Path + "; GET /api lists them")
                           : JsonError(405, head.Path + " takes " + allowed);
        route.Answer.Allow = allowed == "GET" ? "GET, HEAD" : allowed;
        return route;
    }
    const TApiCall& call = *found;
    // A browser names the site of the page that asks; no other site's page is answered, so
    // none learns even that a call exists.
    if (!OwnOrigin(head)) {
        return Refused(403, "a page of another site may not use Kestrune's API",
                       "a page of '" + head.Header("origin") + "' that asked for " + call.Path);
    }
    if (NeedsControl(call)) {
        if (GrantOf(head, access) != TGrant::Control) {
            TApiRoute route = Refused(
                401, "this call needs the control token (Authorization: Bearer ..., or ?token=)",
                std::string("a call of ") + call.Path + " without the control token");
            route.Answer.Challenge = true;
            return route;
        }
    } else if (!MayRead(head, access, fromThisPC)) {
        TApiRoute route =
            Refused(401, "from another PC this needs the read token (?token=... or Bearer)",
                    std::string("a read of ") + call.Path + " from another PC without a token");
        route.Answer.Challenge = true;
        return route;
    }
    TApiRequest request{call.Action, call.Target, call.Operation, {}};
    if (TakesText(call)) {
        if (body.size() > MaxApiBodyBytes) {
            return Refused(413, "the body is over " + std::to_string(MaxApiBodyBytes) + " bytes",
                           {});
        }
        std::string error;
        auto text = TextOf(call, head, body, error);
        if (!text) {
            return Refused(400, error, {});
        }
        request.Text = std::move(*text);
    }
    if (const auto bad = BadValue(request)) {
        TApiRoute route;
        route.Answer = JsonError(400, *bad);
        return route;
    }
    TApiRoute route;
    route.Request = std::move(request);
    route.Answer.HeadOnly = headOnly;
    return route;
}

std::string ApiListJson() {
    std::string json = "{\"calls\":[";
    bool first = true;
    for (const TApiCall& call : Calls) {
        json += first ? "" : ",";
        first = false;
        json += "{\"method\":" + JsonQuoted(call.Method) + ",\"path\":" + JsonQuoted(call.Path) +
                ",\"does\":" + JsonQuoted(call.What) + ",\"token\":" +
                JsonQuoted(NeedsControl(call) ? "control" : "read from another PC") + "}";
    }
    return json +
           "],\"token\":\"control calls take the control token as 'Authorization: Bearer TOKEN' or "
           "'?token=TOKEN'; from another PC, reads take the read token (or the control token) "
           "the same way\"}";
}

TBodyLength ApiBodyLength(const TRequestHead& head) {
    TBodyLength body;
    if (!head.Header("transfer-encoding").empty()) {
        body.Refusal = JsonError(411, "send the body with a Content-Length");
        return body;
    }
    const std::string text = head.Header("content-length");
    if (text.empty()) {
        // Without a length a request has no body; a call whose value is its body would take
        // whatever follows for nothing, and clear the ticker.
        const TApiCall* call = FindCall(head.Method, head.Path);
        if (call != nullptr && TakesText(*call) && head.Query.count("text") == 0) {
            body.Refusal = JsonError(411, "send the body with a Content-Length");
        }
        return body;
    }
    if (text.find_first_not_of("0123456789") != std::string::npos) {
        body.Refusal = JsonError(400, "Content-Length is no number");
        return body;
    }
    // Leading zeros are no size: a length of many digits may still be a small one.
    const std::size_t digits = text.find_first_not_of('0');
    const std::string value = digits == std::string::npos ? "0" : text.substr(digits);
    if (value.size() > 9 || std::stoul(value) > MaxApiBodyBytes) {
        body.Refusal =
            JsonError(413, "the body is over " + std::to_string(MaxApiBodyBytes) + " bytes");
        return body;
    }
    body.Length = std::stoul(value);
    return body;
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
