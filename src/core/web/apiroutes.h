#pragma once
// The control API and the data for graphics engines, on the browser sources' server: what a
// request asks for, whether it may, and the answer to a wrong one. The calls are one table,
// which both routes requests and lists them at GET /api, so the list is never out of step.
// POST changes state and GET reads it; answers are small JSON, errors a 4xx with a message.

#include "core/web/httprequest.h"
#include "core/web/webaccess.h"
#include "core/web/webroutes.h"

#include <optional>
#include <string>
#include <string_view>

enum class TApiAction {
    List,          ///< GET /api
    State,         ///< the state a control surface shows
    Events,        ///< the state, pushed on each change (Server-Sent Events)
    Strip,         ///< Target: best, avg, pits, gapl or gapi; toggled as the button does
    StopStrip,     ///< ends the strip that runs
    Window,        ///< Target: tower or ticker; Operation: show, hide or toggle
    TickerText,    ///< Text: the ticker's free text
    ReloadAlias,   ///< rereads the alias list
    IgnoreList,    ///< reads the ignore list
    SetIgnoreList, ///< Text: the new ignore list, one driver a line
    Data,          ///< Target: standings.json, standings.csv, session.json, messages.json,
                   ///< reports.json
};

struct TApiRequest {
    TApiAction Action = TApiAction::List;
    std::string Target;
    std::string Operation;
    std::string Text;
};

struct TApiRoute {
    /// What to do, when the request is a good one that may be done; Answer is unused then.
    std::optional<TApiRequest> Request;
    TWebAnswer Answer;
    /// Why it was refused, for the log (a missing or wrong token, another site's page).
    std::string Refusal;
};

/// The longest body a call takes (the ignore list is the longest).
constexpr std::size_t MaxApiBodyBytes = 16384;
/// The longest free text of the ticker, in bytes.
constexpr std::size_t MaxTickerTextBytes = 500;

/// Whether `path` belongs to the API or the data (/api, /api/..., /data/...).
bool IsApiPath(const std::string& path);

/// Routes a request of the API or the data with its `body`. `fromThisPC`: the peer is a
/// loopback address.
TApiRoute RouteApi(const TRequestHead& head, std::string_view body, const TWebAccess& access,
                   bool fromThisPC);

/// The length of an API request's body, or the answer that refuses it: a Transfer-Encoding
/// or a call that takes its value from the body sent without a Content-Length (411), a
/// Content-Length that is no number (400) or over MaxApiBodyBytes (413).
struct TBodyLength {
    std::size_t Length = 0;
    std::optional<TWebAnswer> Refusal;
};
TBodyLength ApiBodyLength(const TRequestHead& head);

/// The list of calls, as GET /api answers it.
std::string ApiListJson();

/// A JSON answer; `status` 200 unless an error.
TWebAnswer JsonAnswer(std::string body, int status = 200);
/// {"error": message} with a 4xx `status`.
TWebAnswer JsonError(int status, const std::string& message);
