#include "ui/app/consolecontrol.h"

#include "core/app/producerdata.h"
#include "core/web/webaccess.h"
#include "ui/app/mainform.h"

#include <algorithm>
#include <chrono>

TConsoleControl::TConsoleControl(TFormMain& console, TConsoleModel& model, TBroadcast& live)
    // A version of this run may not be taken for one of the last: a client's cached copy
    // from before a restart is never answered as current.
    : Console(console), Model(model), Live(live), RunId(NewWebToken().substr(0, 8)) {
    // An edit of the name lists changes the data as a reading does.
    ModelListener = Model.Subscribe([this] {
        if (Model.NamesRevision() != NamesSeen) {
            NamesSeen = Model.NamesRevision();
            DataMayHaveChanged();
        }
    });
}

TConsoleControl::~TConsoleControl() {
    Model.Unsubscribe(ModelListener);
}

int TConsoleControl::SubscribeData(std::function<void()> listener) {
    DataListeners.emplace(++NextDataListener, std::move(listener));
    return NextDataListener;
}

void TConsoleControl::UnsubscribeData(int id) {
    DataListeners.erase(id);
}

void TConsoleControl::DataMayHaveChanged() {
    for (const auto& [id, listener] : DataListeners) {
        listener();
    }
}

TApiRoute TConsoleControl::Route(const TRequestHead& head, std::string_view body,
                                 const TWebAccess& access, bool fromThisPC) const {
    return RouteApi(head, body, access, fromThisPC);
}

TBodyLength TConsoleControl::BodyLength(const TRequestHead& head) const {
    return ApiBodyLength(head);
}

TWebAnswer TConsoleControl::Run(const TApiRequest& request, const std::string& ifNoneMatch) {
    return RunApiRequest(
        request, Model, [this](const std::string& name) { return Data(name); }, ifNoneMatch);
}

std::string TConsoleControl::Describe(const TApiRequest& request, const std::string& peer) const {
    return RemoteActionText(request, peer);
}

std::string TConsoleControl::StateJson() const {
    return Model.StateJson();
}

int TConsoleControl::Subscribe(std::function<void()> listener) {
    return Model.Subscribe(std::move(listener));
}

void TConsoleControl::Unsubscribe(int id) {
    Model.Unsubscribe(id);
}

TWebData TConsoleControl::Data(const std::string& name) {
    const auto now = std::chrono::steady_clock::now();
    std::string version =
        RunId + "-" + std::to_string(Changes) + "-" + std::to_string(Model.NamesRevision());
    if (name == "messages.json") {
        // Their ages count on between readings, a second at a time.
        version +=
            "-" +
            std::to_string(
                std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    }
    TWebData& data = Built[name];
    if (data.Version == version) {
        return data;
    }
    const int nameLength = Console.Config().Stats1NameLength;
    const TPlayers& players = *Live.Players;
    data.ContentType = "application/json; charset=utf-8";
    if (name == "standings.json") {
        data.Body = StandingsJson(players, nameLength);
    } else if (name == "standings.csv") {
        data.Body = StandingsCsv(players, nameLength);
        data.ContentType = "text/csv; charset=utf-8";
    } else if (name == "session.json") {
        data.Body = SessionJson(players, Console.Followed().LiveFileName);
    } else if (name == "messages.json") {
        data.Body = Messages.Json(now);
    } else {
        data.Body = ReportsJson(players);
    }
    data.Version = version;
    return data;
}

void TConsoleControl::ReadingApplied(const TReadingResult& result) {
    const bool labelled = std::any_of(result.Labels.begin(), result.Labels.end(),
                                      [](const auto& label) { return label.has_value(); });
    // The feed's quiet checks give empty results every second: they change no data.
    if (result.Merged || labelled || !result.Notices.empty()) {
        ++Changes;
        DataMayHaveChanged();
    }
    Messages.AddFrom(result, std::chrono::steady_clock::now());
}
