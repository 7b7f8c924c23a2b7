#include "core/app/consoleapi.h"

#include "core/platform/jsontext.h"
#include "core/web/clienttext.h"
#include "core/web/jsonfield.h"

#include <algorithm>
#include <iterator>
#include <variant>
#include <vector>

namespace {

struct TApiCall {
    const char* Method;
    const char* Path;
    TGrant Grant;
    std::variant<TApiRead, TConsoleCommand> Does;
    std::string What;
};

TApiRead Read(TApiReadKind kind, std::string data = {}) {
    return {kind, std::move(data)};
}

/// Every call once, with the grant it needs; the strips and the windows from their own tables.
std::vector<TApiCall> MakeCalls() {
    std::vector<TApiCall> calls{
        {"GET", "/api", TGrant::Read, Read(TApiReadKind::List), "this list"},
        {"GET", "/api/state", TGrant::Read, Read(TApiReadKind::State),
         "what a control surface shows: the followed file, session, phase, flag, lap counter, "
         "the strip that runs, the windows shown, the ticker's text, the class view"},
        {"GET", "/api/events", TGrant::Read, Read(TApiReadKind::Events),
         "the state again on each change (Server-Sent Events, one 'state' event a change, a "
         "comment line every 15 s)"},
    };
    static const char* const StripPaths[] = {"/api/strip/best", "/api/strip/avg", "/api/strip/pits",
                                             "/api/strip/gapl", "/api/strip/gapi"};
    static const char* const StripWhat[] = {
        "Best Lap strip on the ticker; again while it runs ends it, as the button",
        "Avg Lap strip, as its button", "Pit Stops strip, as its button",
        "GapL strip (gap to the leader), as its button",
        "GapI strip (interval to the car ahead), as its button"};
    static_assert(std::size(StripPaths) == StripKinds.size());
    for (std::size_t i = 0; i < StripKinds.size(); ++i) {
        calls.push_back({"POST", StripPaths[i], TGrant::Control,
                         TConsoleCommand(TPressStrip{&StripKinds[i]}), StripWhat[i]});
    }
    calls.push_back({"POST", "/api/strip/stop", TGrant::Control, TConsoleCommand(TStopStrip{}),
                     "ends the strip that runs, if any"});
    const struct {
        const char* Path;
        TBroadcastWindow Window;
        TWindowOperation Operation;
        const char* What;
    } windows[] = {
        {"/api/window/tower/show", TBroadcastWindow::Tower, TWindowOperation::Show,
         "shows the standings tower (Live Window)"},
        {"/api/window/tower/hide", TBroadcastWindow::Tower, TWindowOperation::Hide,
         "hides the standings tower"},
        {"/api/window/tower/toggle", TBroadcastWindow::Tower, TWindowOperation::Toggle,
         "shows or hides the standings tower, as the Live Window button"},
        {"/api/window/ticker/show", TBroadcastWindow::Ticker, TWindowOperation::Show,
         "shows the message ticker (Message Window)"},
        {"/api/window/ticker/hide", TBroadcastWindow::Ticker, TWindowOperation::Hide,
         "hides the message ticker"},
        {"/api/window/ticker/toggle", TBroadcastWindow::Ticker, TWindowOperation::Toggle,
         "shows or hides the message ticker, as the Message Window button"},
    };
    for (const auto& w : windows) {
        calls.push_back({"POST", w.Path, TGrant::Control,
                         TConsoleCommand(TShowWindow{w.Window, w.Operation}), w.What});
    }
    std::vector<TApiCall> rest{
        {"POST", "/api/ticker/text", TGrant::Control, TConsoleCommand(TSetTickerText{}),
         "sets the ticker's free text (the Message tab): the body as text/plain, text=... "
         "form-encoded or in the query, or JSON {\"text\":...}; one line of UTF-8 without "
         "control characters; empty clears it"},
        {"POST", "/api/classview/on", TGrant::Control, TConsoleCommand(TSetClassView{true}),
         "turns the class view on, as the Info tab's Class view box"},
        {"POST", "/api/classview/off", TGrant::Control, TConsoleCommand(TSetClassView{false}),
         "turns the class view off"},
        {"POST", "/api/alias/reload", TGrant::Control, TConsoleCommand(TReloadAlias{}),
         "rereads the alias list, as Reload Alias"},
        {"GET", "/api/ignore", TGrant::Read, Read(TApiReadKind::IgnoreList), "the ignore list"},
        {"POST", "/api/ignore", TGrant::Control, TConsoleCommand(TSetIgnoreList{}),
         "replaces the ignore list with the body (or JSON {\"ignore\":...}), one driver a line, "
         "as Apply"},
        {"GET", "/data/standings.json", TGrant::Read, Read(TApiReadKind::Data, "standings.json"),
         "the standings in tower order, one flat object a car"},
        {"GET", "/data/standings.csv", TGrant::Read, Read(TApiReadKind::Data, "standings.csv"),
         "the standings as CSV"},
        {"GET", "/data/session.json", TGrant::Read, Read(TApiReadKind::Data, "session.json"),
         "the session and its phase"},
        {"GET", "/data/messages.json", TGrant::Read, Read(TApiReadKind::Data, "messages.json"),
         "the race messages of the last minutes, newest first"},
        {"GET", "/data/reports.json", TGrant::Read, Read(TApiReadKind::Data, "reports.json"),
         "the reports of the Data tab"},
    };
    calls.insert(calls.end(), rest.begin(), rest.end());
    return calls;
}

const std::vector<TApiCall>& Calls() {
    static const std::vector<TApiCall> calls = MakeCalls();
    return calls;
}

bool TakesText(const TApiCall& call) {
    const auto* command = std::get_if<TConsoleCommand>(&call.Does);
    return command != nullptr && (std::holds_alternative<TSetTickerText>(*command) ||
                                  std::holds_alternative<TSetIgnoreList>(*command));
}

/// The JSON field that holds a call's text, as its answer names it.
const char* JsonFieldOf(const TApiCall& call) {
    const auto* command = std::get_if<TConsoleCommand>(&call.Does);
    return command != nullptr && std::holds_alternative<TSetIgnoreList>(*command) ? "ignore"
                                                                                  : "text";
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

std::optional<std::string> BadTickerText(const std::string& text) {
    if (text.size() > MaxTickerTextBytes) {
        return "the ticker's text is at most " + std::to_string(MaxTickerTextBytes) + " bytes";
    }
    if (const auto problem = OneLineTextProblem(text)) {
        return "the ticker's text must be one line of text: " + *problem;
    }
    return std::nullopt;
}

/// Puts the text a request carries into its command; why not, when it cannot go on air.
std::optional<std::string> WithText(TConsoleCommand& command, std::string text) {
    if (auto* ticker = std::get_if<TSetTickerText>(&command)) {
        if (auto bad = BadTickerText(text)) {
            return bad;
        }
        ticker->Text = std::move(text);
    } else if (auto* ignore = std::get_if<TSetIgnoreList>(&command)) {
        ignore->Lines = std::move(text);
    }
    return std::nullopt;
}

const TApiCall* FindCall(const std::string& method, const std::string& path) {
    for (const TApiCall& call : Calls()) {
        if (path == call.Path && method == call.Method) {
            return &call;
        }
    }
    return nullptr;
}

TApiRoute Refused(int status, const std::string& message, std::string refusal) {
    TApiRoute route;
    route.Answer = JsonError(status, message);
    route.Refusal = std::move(refusal);
    return route;
}

} // namespace

TApiRoute RouteApi(const TRequestHead& head, std::string_view body, const TWebAccess& access,
                   bool fromThisPC) {
    const bool headOnly = head.Method == "HEAD";
    const std::string method = headOnly ? "GET" : head.Method;
    const TApiCall* found = FindCall(method, head.Path);
    if (found == nullptr) {
        std::string allowed;
        for (const TApiCall& call : Calls()) {
            if (head.Path == call.Path) {
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
    const bool tokenDecides = call.Grant == TGrant::Control || !fromThisPC;
    if (call.Grant == TGrant::Control) {
        if (GrantOf(head, access) != TGrant::Control) {
            TApiRoute route = Refused(
                401, "this call needs the control token (Authorization: Bearer ..., or ?token=)",
                std::string("a call of ") + call.Path + " without the control token");
            route.Answer.Challenge = true;
            route.TokenDecides = true;
            return route;
        }
    } else if (!MayRead(head, access, fromThisPC)) {
        TApiRoute route =
            Refused(401, "from another PC this needs the read token (?token=... or Bearer)",
                    std::string("a read of ") + call.Path + " from another PC without a token");
        route.Answer.Challenge = true;
        route.TokenDecides = true;
        return route;
    }
    TApiRequest request{call.Does};
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
        if (const auto bad = WithText(std::get<TConsoleCommand>(request.Does), std::move(*text))) {
            return Refused(400, *bad, {});
        }
    }
    TApiRoute route;
    route.Request = std::move(request);
    route.Answer.HeadOnly = headOnly;
    route.TokenDecides = tokenDecides;
    return route;
}

std::string ApiListJson() {
    std::string json = "{\"calls\":[";
    bool first = true;
    for (const TApiCall& call : Calls()) {
        json += first ? "" : ",";
        first = false;
        json += "{\"method\":" + JsonQuoted(call.Method) + ",\"path\":" + JsonQuoted(call.Path) +
                ",\"does\":" + JsonQuoted(call.What) + ",\"token\":" +
                JsonQuoted(call.Grant == TGrant::Control ? "control" : "read from another PC") +
                "}";
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

TWebAnswer RunApiRequest(const TApiRequest& request, TConsoleModel& model,
                         const std::function<TWebData(const std::string&)>& data,
                         const std::string& ifNoneMatch) {
    if (const auto* command = std::get_if<TConsoleCommand>(&request.Does)) {
        model.Run(*command);
        // A change answers with the state it left, so a button shows the result at once.
        return JsonAnswer(model.StateJson());
    }
    const TApiRead& read = std::get<TApiRead>(request.Does);
    switch (read.Kind) {
    case TApiReadKind::List:
        return JsonAnswer(ApiListJson());
    case TApiReadKind::State:
    case TApiReadKind::Events:
        return JsonAnswer(model.StateJson());
    case TApiReadKind::IgnoreList:
        return JsonAnswer("{\"ignore\":" + JsonQuoted(model.IgnoreList()) + "}");
    case TApiReadKind::Data: {
        const TWebData built = data(read.Data);
        return VersionedAnswer(built.Body, built.ContentType, built.Version, ifNoneMatch);
    }
    }
    return JsonError(404, "no such read");
}

std::string RemoteActionText(const TApiRequest& request, const std::string& peer) {
    const auto* command = std::get_if<TConsoleCommand>(&request.Does);
    if (command == nullptr) {
        return {};
    }
    return "Web control from " + LogSafe(peer) + ": " + DescribeCommand(*command);
}
