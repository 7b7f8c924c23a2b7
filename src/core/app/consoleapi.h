#pragma once
// The control API and the data for graphics engines, on the browser sources' server: one table
// of calls, each row a method, a path, the grant it needs and what it does (a command of the
// console model or a read). The table routes requests and lists them at GET /api, so the list
// is never out of step. POST changes state and GET reads it; answers are small JSON, errors a
// 4xx with a message.

#include "core/app/consolecommand.h"
#include "core/app/consolemodel.h"
#include "core/web/httprequest.h"
#include "core/web/webaccess.h"
#include "core/web/webroutes.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

/// What a reading call reads.
enum class TApiReadKind {
    List,       ///< GET /api
    State,      ///< the state a control surface shows
    Events,     ///< the state, pushed on each change (Server-Sent Events); the server's
    IgnoreList, ///< the ignore list
    Data,       ///< the data named in TApiRead::Data
};

struct TApiRead {
    TApiReadKind Kind = TApiReadKind::List;
    /// standings.json, standings.csv, session.json, messages.json or reports.json.
    std::string Data;
};

/// A routed call: a read, or a command for the console model.
struct TApiRequest {
    std::variant<TApiRead, TConsoleCommand> Does;
};

struct TApiRoute {
    /// What to do, when the request is a good one that may be done; Answer is unused then but
    /// for its HEAD flag.
    std::optional<TApiRequest> Request;
    TWebAnswer Answer;
    /// Why it was refused, for the log (a missing or wrong token, another site's page).
    std::string Refusal;
    /// The request's token decided it: a control call, or a read from another PC, from a
    /// page of no other site. Only then is a wrong token a guess.
    bool TokenDecides = false;
};

/// The longest body a call takes (the ignore list is the longest).
constexpr std::size_t MaxApiBodyBytes = 16384;
/// The longest free text of the ticker, in bytes.
constexpr std::size_t MaxTickerTextBytes = 500;

/// Whether `path` belongs to the API or the data (/api, /api/..., /data/...).
inline bool IsApiPath(const std::string& path) {
    return path == "/api" || path.rfind("/api/", 0) == 0 || path.rfind("/data/", 0) == 0;
}

/// Routes a request of the API or the data with its `body`. `fromThisPC`: the peer is a
/// loopback address.
TApiRoute RouteApi(const TRequestHead& head, std::string_view body, const TWebAccess& access,
                   bool fromThisPC);

/// Whether a routed call opens a stream of the state.
inline bool OpensEvents(const TApiRequest& request) {
    const auto* read = std::get_if<TApiRead>(&request.Does);
    return read != nullptr && read->Kind == TApiReadKind::Events;
}

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

/// One answer of the data, with the version it was built from.
struct TWebData {
    std::string Body;
    std::string ContentType;
    /// Changes whenever Body may have: a reading, an edit of the lists.
    std::string Version;
};

/// Runs a routed call on `model` and gives its answer: the state after a command, the data
/// from `data` (a 304 when `ifNoneMatch` names its version), the list of calls. Events are the
/// server's.
TWebAnswer RunApiRequest(const TApiRequest& request, TConsoleModel& model,
                         const std::function<TWebData(const std::string&)>& data,
                         const std::string& ifNoneMatch);

/// The log line of a call that changes something, naming who sent it; empty for a read.
std::string RemoteActionText(const TApiRequest& request, const std::string& peer);

/// The console as the web server reaches it. The server is a module of its own that carries
/// none of the console's code: it routes and runs the calls through this, and follows the state
/// and the data. Route, BodyLength and Describe may be called on any thread; the rest on the
/// console's.
class TWebControl {
  public:
    virtual ~TWebControl() = default;
    virtual TApiRoute Route(const TRequestHead& head, std::string_view body,
                            const TWebAccess& access, bool fromThisPC) const = 0;
    virtual TBodyLength BodyLength(const TRequestHead& head) const = 0;
    /// Runs a routed call: RunApiRequest on the console's model and data.
    virtual TWebAnswer Run(const TApiRequest& request, const std::string& ifNoneMatch) = 0;
    virtual std::string Describe(const TApiRequest& request, const std::string& peer) const = 0;
    /// The data named `name` (standings.json, ...), built at most once a version.
    virtual TWebData Data(const std::string& name) = 0;
    /// `listener` is called whenever the data may have changed (a reading, an edit of a list).
    virtual int SubscribeData(std::function<void()> listener) = 0;
    virtual void UnsubscribeData(int id) = 0;
    /// The state as /api/state answers it; `listener` is called after each change of it.
    virtual std::string StateJson() const = 0;
    virtual int Subscribe(std::function<void()> listener) = 0;
    virtual void Unsubscribe(int id) = 0;
};
