#include "core/web/webcontrol.h"

#include "core/platform/jsontext.h"
#include "core/web/clienttext.h"

namespace {

/// Whether an If-None-Match header names `etag` (or is "*").
bool Matches(const std::string& ifNoneMatch, const std::string& etag) {
    if (ifNoneMatch.empty()) {
        return false;
    }
    if (ifNoneMatch == "*") {
        return true;
    }
    return ifNoneMatch.find("\"" + etag + "\"") != std::string::npos;
}

std::string StripName(const std::string& kind) {
    if (kind == "best") {
        return "Best Lap";
    }
    if (kind == "avg") {
        return "Avg Lap";
    }
    if (kind == "pits") {
        return "Pit Stops";
    }
    return kind == "gapl" ? "GapL" : "GapI";
}

} // namespace

TWebAnswer RunApiRequest(const TApiRequest& request, TWebControl& control,
                         const std::string& ifNoneMatch) {
    switch (request.Action) {
    case TApiAction::List:
        return JsonAnswer(ApiListJson());
    case TApiAction::State:
    case TApiAction::Events:
        return JsonAnswer(control.StateJson());
    case TApiAction::Strip:
        control.PressStrip(request.Target);
        break;
    case TApiAction::StopStrip:
        control.StopStrip();
        break;
    case TApiAction::Window:
        control.ShowWindow(request.Target, request.Operation);
        break;
    case TApiAction::TickerText:
        control.SetTickerText(request.Text);
        break;
    case TApiAction::ReloadAlias:
        control.ReloadAlias();
        break;
    case TApiAction::IgnoreList:
        return JsonAnswer("{\"ignore\":" + JsonQuoted(control.IgnoreList()) + "}");
    case TApiAction::SetIgnoreList:
        control.SetIgnoreList(request.Text);
        return JsonAnswer("{\"ignore\":" + JsonQuoted(control.IgnoreList()) + "}");
    case TApiAction::Data: {
        TWebData data = control.Data(request.Target);
        TWebAnswer answer;
        answer.ETag = data.Version;
        if (Matches(ifNoneMatch, data.Version)) {
            answer.Status = 304;
            return answer;
        }
        answer.ContentType = std::move(data.ContentType);
        answer.Body = std::move(data.Body);
        return answer;
    }
    }
    // A change answers with the state it left, so a button shows the result at once.
    return JsonAnswer(control.StateJson());
}

std::string RemoteActionText(const TApiRequest& request, const std::string& peer) {
    std::string what;
    switch (request.Action) {
    case TApiAction::Strip:
        what = StripName(request.Target) + " strip pressed";
        break;
    case TApiAction::StopStrip:
        what = "strip stopped";
        break;
    case TApiAction::Window:
        what = std::string(request.Target == "tower" ? "Live Window" : "Message Window") + " " +
               request.Operation;
        break;
    case TApiAction::TickerText:
        what = "ticker text set to '" + LogSafe(request.Text) + "'";
        break;
    case TApiAction::ReloadAlias:
        what = "Reload Alias";
        break;
    case TApiAction::SetIgnoreList:
        what = "ignore list replaced";
        break;
    default:
        return {};
    }
    return "Web control from " + LogSafe(peer) + ": " + what;
}
