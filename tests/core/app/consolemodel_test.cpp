// The console's commands and state without a window or a socket: what each command does, when
// the listeners are told, and the control API's table of calls with the grant of each row.

#include "core/app/consoleapi.h"
#include "core/app/consolemodel.h"
#include "tests/support/carslot.h"
#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace {

const TWebAccess Access{"0123456789abcdef0123456789abcdef", "fedcba9876543210fedcba9876543210"};

class ConsoleModel : public ::testing::Test {
  protected:
    ConsoleModel() {
        Live.Players->Merge({CarSlot("Tom Rider", 1, {.Laps = 4, .BestLap = 83.5f}),
                             CarSlot("Ann Lee", 2, {.Laps = 4, .BestLap = 84.0f})});
        Console.Refresh();
        Console.Subscribe([this] { ++Told; });
    }
    TBroadcast Live;
    THeadlessWindows Windows;
    TConsoleModel Console{Live, Windows, "", 5};
    int Told = 0;
};

TEST_F(ConsoleModel, EachCommandActsAsItsControlAndTheListenersAreToldOfEachChange) {
    Console.Run(TPressStrip{StripNamed("gapl")});
    EXPECT_TRUE(Windows.Ranking);
    EXPECT_GT(Live.RankingList.Count(), 1);
    EXPECT_EQ(Console.State().Strip, "gapl");
    EXPECT_NE(Console.StateJson().find("\"strip\":\"gapl\",\"stripRunning\":true"),
              std::string::npos)
        << Console.StateJson();
    EXPECT_EQ(Told, 1);
    Console.Run(TPressStrip{StripNamed("best")});
    EXPECT_FALSE(Windows.Ranking) << "a press while a strip runs only ends it";
    EXPECT_EQ(Console.State().Strip, "");
    EXPECT_EQ(Told, 2);
    Console.Refresh();
    EXPECT_EQ(Told, 2) << "nothing changed, nobody is told";

    Console.Run(TShowWindow{TBroadcastWindow::Tower, TWindowOperation::Show});
    Console.Run(TShowWindow{TBroadcastWindow::Tower, TWindowOperation::Show});
    EXPECT_TRUE(Windows.StandingsShown);
    Console.Run(TShowWindow{TBroadcastWindow::Ticker, TWindowOperation::Toggle});
    EXPECT_TRUE(Windows.MessageVisible);
    EXPECT_TRUE(Console.State().TowerShown && Console.State().TickerShown);
    EXPECT_EQ(Told, 4);

    Console.Run(TSetTickerText{"PIT LANE OPEN"});
    EXPECT_EQ(Windows.TickerText, "PIT LANE OPEN");
    Console.Run(TSetClassView{true});
    EXPECT_TRUE(Live.ClassView);
    EXPECT_TRUE(Windows.ClassView);
    EXPECT_NE(Console.StateJson().find("\"tickerText\":\"PIT LANE OPEN\",\"classView\":true}"),
              std::string::npos)
        << Console.StateJson();

    const int before = Told;
    Console.Run(TSetIgnoreList{"Ann Lee\n\n"});
    EXPECT_EQ(Console.IgnoreList(), "Ann Lee");
    EXPECT_TRUE(Live.Names.IsIgnored("ann lee"));
    EXPECT_EQ(Told, before + 1) << "a new list is news to the console's field, though no state";

    Console.SetLabel(TLabel::Phase, "GreenFlag");
    EXPECT_EQ(Console.State().Phase, "GreenFlag");
    EXPECT_EQ(Told, before + 2);
}

/// Every call GET /api lists, as method and path.
std::vector<std::pair<std::string, std::string>> ListedCalls() {
    std::vector<std::pair<std::string, std::string>> calls;
    const std::string list = ApiListJson();
    const std::regex call("\"method\":\"([A-Z]+)\",\"path\":\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(list.begin(), list.end(), call);
         it != std::sregex_iterator(); ++it) {
        calls.emplace_back((*it)[1], (*it)[2]);
    }
    return calls;
}

TEST_F(ConsoleModel, EveryListedCallIsRoutedWithTheGrantOfItsRowAndRunOnTheModel) {
    const auto route = [](const std::string& method, const std::string& path,
                          const std::string& token, bool fromThisPC) {
        const std::string text = method + " " + path + "?text= HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                 (token.empty() ? "" : "Authorization: Bearer " + token + "\r\n") +
                                 "\r\n";
        return RouteApi(ReadRequestHead(text).Head, "", Access, fromThisPC);
    };
    const auto calls = ListedCalls();
    ASSERT_GE(calls.size(), 25u);
    for (const auto& [method, path] : calls) {
        // A wrong token is a guess only where the token decides.
        EXPECT_EQ(route(method, path, "guess", true).TokenDecides, method == "POST") << path;
        EXPECT_TRUE(route(method, path, "guess", false).TokenDecides) << path;
        if (method == "POST") {
            EXPECT_EQ(route(method, path, "", true).Answer.Status, 401) << path;
            EXPECT_EQ(route(method, path, Access.ReadToken, true).Answer.Status, 401) << path;
            const TApiRoute granted = route(method, path, Access.ControlToken, false);
            ASSERT_TRUE(granted.Request) << path;
            EXPECT_TRUE(std::holds_alternative<TConsoleCommand>(granted.Request->Does)) << path;
        } else {
            EXPECT_EQ(route(method, path, "", false).Answer.Status, 401) << path;
            EXPECT_TRUE(route(method, path, "", true).Request) << path;
            const TApiRoute read = route(method, path, Access.ReadToken, false);
            ASSERT_TRUE(read.Request) << path;
            EXPECT_TRUE(std::holds_alternative<TApiRead>(read.Request->Does)) << path;
        }
    }

    // A routed call runs on the model and answers with the state it left.
    const auto noData = [](const std::string&) { return TWebData{}; };
    const TApiRoute show = route("POST", "/api/window/ticker/show", Access.ControlToken, true);
    const TWebAnswer shown = RunApiRequest(*show.Request, Console, noData, "");
    EXPECT_TRUE(Windows.MessageVisible);
    EXPECT_NE(shown.Body.find("\"tickerShown\":true"), std::string::npos) << shown.Body;
    EXPECT_EQ(RemoteActionText(*show.Request, "192.0.2.1"),
              "Web control from 192.0.2.1: Message Window show");
    const TRequestHead foreign = ReadRequestHead("POST /api/strip/gapi HTTP/1.1\r\nHost: "
                                                 "127.0.0.1\r\nOrigin: http://evil.example\r\n"
                                                 "Authorization: Bearer guess\r\n\r\n")
                                     .Head;
    EXPECT_FALSE(RouteApi(foreign, "", Access, true).TokenDecides)
        << "another site's page is refused for its origin, not its token";
    const TApiRoute strip = route("POST", "/api/strip/gapi", Access.ControlToken, true);
    RunApiRequest(*strip.Request, Console, noData, "");
    EXPECT_EQ(Console.State().Strip, "gapi");
    EXPECT_EQ(RemoteActionText(*strip.Request, "::1"), "Web control from ::1: GapI strip pressed");

    const auto data = [](const std::string& name) {
        return TWebData{"[" + name + "]", "application/json", "v7"};
    };
    const TApiRoute standings = route("GET", "/data/standings.json", "", true);
    EXPECT_EQ(RunApiRequest(*standings.Request, Console, data, "").Body, "[standings.json]");
    EXPECT_EQ(RunApiRequest(*standings.Request, Console, data, "\"v7\"").Status, 304);
    EXPECT_EQ(RemoteActionText(*standings.Request, "::1"), "") << "a read is not logged";
}

} // namespace
