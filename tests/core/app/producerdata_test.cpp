#include "core/app/producerdata.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <limits>

namespace {

TGameSession RaceSession(double sessionTime) {
    TGameSession session;
    session.Session = "Race";
    session.GamePhase = "GreenFlag";
    session.Scene = "Autodromo Kest";
    session.LengthLaps = 20;
    session.SessionTime = sessionTime;
    session.TrackLength = 4200.5;
    session.AmbientTemp = 21.5f;
    session.TrackTemp = std::numeric_limits<float>::quiet_NaN();
    return session;
}

/// Two readings of a race, slots out of order: Zoé (a Windows-1252 name) passes Smith, who is
/// a lap down and in the pits; Ann has retired; the leader crawls.
TPlayers RaceField() {
    TPlayers players;
    TSlot tom = CarSlot(
        "Tom Rider", 1,
        {.Laps = 10, .LapDistanceTravelled = 1000, .Vehicle = "Kestrel K2", .VehicleClass = "F3"});
    tom.LastLap = 84.0f;
    TSlot zoe = CarSlot("Zo\xE9 R\xE9my", 3, {.Laps = 10, .LapDistanceTravelled = 1000});
    zoe.LastLap = 84.9f;
    players.Merge(
        {CarSlot("Smith, \"Jr\"", 2, {.Laps = 9}), CarSlot("Ann Lee", 4, {.Laps = 5}), tom, zoe});
    players.SetSession(RaceSession(100));
    tom = CarSlot("Tom Rider", 1, {.Laps = 10, .BestLap = 83.456f, .LapDistanceTravelled = 1005});
    zoe = CarSlot(
        "Zo\xE9 R\xE9my", 2,
        {.Laps = 10, .BestLap = 84.5f, .TimeGapToPrev = 5.2f, .LapDistanceTravelled = 1060});
    zoe.TimeGapToLider = 5.2f;
    TSlot smith = CarSlot("Smith, \"Jr\"", 3, {.Laps = 9});
    smith.InPits = 1;
    smith.Pitstops = 1;
    smith.LapGapToLider = 1;
    smith.LapGapToPrev = 1;
    TSlot ann = CarSlot("Ann Lee", 4, {.Laps = 5, .FinishStatus = "DNF"});
    ann.LapGapToLider = 2;
    ann.LapGapToPrev = 1;
    players.Merge({smith, ann, tom, zoe});
    players.SetSession(RaceSession(101));
    return players;
}

/// The top-level objects of a JSON array of flat objects, strings skipped whole.
std::vector<std::string> ArrayObjects(const std::string& json) {
    EXPECT_TRUE(json.size() >= 2 && json.front() == '[' && json.back() == ']') << json;
    std::vector<std::string> objects;
    bool inString = false;
    bool escaped = false;
    std::size_t start = 0;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        const char c = json[i];
        if (escaped) {
            escaped = false;
        } else if (inString) {
            escaped = c == '\\';
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if (c == '{') {
            start = i;
        } else if (c == '}') {
            objects.push_back(json.substr(start, i - start + 1));
        }
    }
    EXPECT_FALSE(inString) << json;
    return objects;
}

TEST(ProducerData, StandingsInTowerOrderAsJsonAndCsv) {
    const TPlayers players = RaceField();
    EXPECT_EQ(StandingsCsv(players, 5),
              "position,name,driver,vehicle,class,laps,bestLap,bestLapMs,lastLap,lastLapMs,"
              "gapToLeader,interval,pitStops,inPits,finishStatus,gained,lost,bestImproved,slow,"
              "classPosition,classGap,classInterval\r\n"
              "1,T.RID,Tom Rider,Kestrel K2,F3,10,1:23.456,83456,1:24.000,84000,,,0,false,None,"
              "false,false,false,true,1,,\r\n"
              "2,Z.RéM,Zoé Rémy,,,10,1:24.500,84500,1:24.900,84900,+5.200,+5.200,0,false,None,"
              "true,false,false,false,1,,\r\n"
              "3,\"S.\"\"JR\",\"Smith, \"\"Jr\"\"\",,,9,,0,,0,+1L,+1L,1,true,None,"
              "false,false,false,false,2,+1L,+1L\r\n"
              "4,A.LEE,Ann Lee,,,5,,0,,0,+2L,+1L,0,false,DNF,false,false,false,false,3,+5L,"
              "+4L\r\n");

    const std::vector<std::string> objects = ArrayObjects(StandingsJson(players, 5));
    ASSERT_EQ(objects.size(), 4u);
    for (std::size_t k = 0; k < objects.size(); ++k) {
        EXPECT_EQ(objects[k].rfind("{\"position\":" + std::to_string(k + 1) + ",", 0), 0u);
    }
    EXPECT_NE(objects[1].find(R"("name":"Z.RéM","driver":"Zoé Rémy")"), std::string::npos);
    EXPECT_EQ(objects[2],
              R"({"position":3,"name":"S.\"JR","driver":"Smith, \"Jr\"","vehicle":"","class":"",)"
              R"("laps":9,"bestLap":"","bestLapMs":0,"lastLap":"","lastLapMs":0,)"
              R"("gapToLeader":"+1L","interval":"+1L","pitStops":1,"inPits":true,)"
              R"("finishStatus":"None","gained":false,"lost":false,"bestImproved":false,)"
              R"("slow":false,"classPosition":2,"classGap":"+1L","classInterval":"+1L"})");

    const TPlayers empty;
    EXPECT_EQ(StandingsJson(empty, 5), "[]");
    EXPECT_EQ(StandingsCsv(empty, 5).find("\r\n"), StandingsCsv(empty, 5).size() - 2);
}

TEST(ProducerData, SessionAndReports) {
    TPlayers players = RaceField();
    EXPECT_EQ(SessionJson(players, "/races/kest/r12_08_live.txt"),
              R"({"file":"r12_08_live.txt","session":"Race","phase":"GreenFlag","flag":"",)"
              R"("track":"Autodromo Kest","lap":10,"totalLaps":20,"lapCounter":"10/20",)"
              R"("sessionTime":101.000,"sessionTimeText":"00:01:41","trackLength":4200.5,)"
              R"("ambientTemp":21.5,"trackTemp":null})");
    TGameSession formation = RaceSession(102);
    formation.GamePhase = "FormationLap";
    players.SetSession(formation);
    EXPECT_NE(SessionJson(players, "").find(R"("lapCounter":"",)"), std::string::npos);

    const std::string reports = ReportsJson(players);
    EXPECT_EQ(reports.rfind(R"({"bestlap":[" 1 [)", 0), 0u) << "no title line: " << reports;
    EXPECT_NE(reports.find(R"("gap":["1   Tom Rider)"), std::string::npos) << reports;
    EXPECT_NE(reports.find("Zoé Rémy"), std::string::npos);
}

} // namespace
