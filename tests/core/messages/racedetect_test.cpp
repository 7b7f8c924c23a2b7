#include "core/messages/racedetect.h"

#include "tools/headless/headlesswindows.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

namespace {

TSlot Car(std::string driver, int32_t position, int32_t laps = 5, float best = 90.0f) {
    return CarSlot(std::move(driver), position, {.Laps = laps, .BestLap = best});
}

TGameSession Session(std::string kind = "Race", std::string phase = "GreenFlag",
                     int32_t lengthLaps = 15) {
    TGameSession session;
    session.Session = std::move(kind);
    session.GamePhase = std::move(phase);
    session.LengthLaps = lengthLaps;
    return session;
}

/// A followed live file: each Read is one reading merged and then inspected for events.
struct Feed {
    TPlayers Players;
    THeadlessWindows Windows;
    TRaceEventList Queue;
    bool ByClass = false;

    void Read(const std::vector<TSlot>& slots, const TGameSession& session = Session()) {
        Players.Merge(slots);
        Players.SetSession(session);
        TReadingResult result;
        DetectRaceEvents(Players, Windows.Ranking, result, ByClass);
        ApplyReadingResult(Windows, result, Queue);
    }
    /// A first reading that creates the records without announcing anything, then a clean queue.
    void Start(const std::vector<TSlot>& slots, const TGameSession& session = Session()) {
        Read(slots, session);
        Queue.Clear();
        Windows.Log.clear();
    }
    std::string Events() const {
        std::string out;
        for (int i = 0; i < Queue.Count(); ++i) {
            const TRaceEvent& e = Queue.Items(i);
            out += e.Title + "|" + e.Text + "|" + std::to_string(e.Duration) + "\n";
        }
        return out;
    }
};

TEST(FinishTexts, Ordinals) {

    EXPECT_EQ(FinishOrdinal(1), "Winner");
    EXPECT_EQ(FinishOrdinal(2), "2nd");
    EXPECT_EQ(FinishOrdinal(3), "3rd");
    EXPECT_EQ(FinishOrdinal(4), "4th");
    EXPECT_EQ(FinishOrdinal(11), "11th");
    EXPECT_EQ(FinishOrdinal(21), "21th");
    EXPECT_EQ(FinishOrdinal(23), "23th");
}

TEST(RaceEvents, FinishersInPositionOrderStopTheStrip) {
    Feed feed;
    std::vector<TSlot> cars;
    // Records in reverse order of position, so the walk by position is what orders the queue.
    for (int p = 21; p >= 1; --p) {
        cars.push_back(Car("D" + std::to_string(p), p));
    }
    feed.Start(cars);
    for (TSlot& car : cars) {
        car.FinishStatus = "Finished";
    }
    feed.Windows.Ranking = true;
    feed.Read(cars);

    ASSERT_EQ(feed.Queue.Count(), 21);
    EXPECT_EQ(feed.Queue.Items(0).Title, "Winner");
    EXPECT_EQ(feed.Queue.Items(0).Text, "D1");
    EXPECT_EQ(feed.Queue.Items(0).Duration, 12);
    EXPECT_EQ(feed.Queue.Items(1).Title, "2nd");
    EXPECT_EQ(feed.Queue.Items(2).Title, "3rd");
    EXPECT_EQ(feed.Queue.Items(3).Title, "4th");
    EXPECT_EQ(feed.Queue.Items(20).Title, "21th");
    EXPECT_EQ(feed.Queue.Items(20).Text, "D21");
    for (int i = 1; i < 21; ++i) {
        EXPECT_EQ(feed.Queue.Items(i).Duration, 8) << i;
    }
    EXPECT_FALSE(feed.Windows.Ranking);
    EXPECT_EQ(feed.Windows.RankingSwitchesOff, 1);
    EXPECT_TRUE(feed.Windows.Log.empty()) << "finishers are not logged";
}

TEST(RaceEvents, RetirementsAndDisqualificationsAreLogged) {
    Feed feed;
    feed.Start({Car("ALPHA", 1), Car("BRAVO", 2), Car("CHARLIE", 3)});
    std::vector<TSlot> cars = {Car("ALPHA", 1), Car("BRAVO", 2), Car("CHARLIE", 3)};
    cars[1].FinishStatus = "DQ";
    cars[2].FinishStatus = "DNF";
    cars[0].FinishStatus = "Unknown";
    feed.Windows.Ranking = true;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "DQ|BRAVO|8\nDNF|CHARLIE|8\n");
    EXPECT_EQ(feed.Windows.Log, (std::vector<std::string>{"[DQ] BRAVO", "[DNF] CHARLIE"}));
    EXPECT_TRUE(feed.Windows.Ranking) << "only a finisher stops the strip";
}

TEST(RaceEvents, PitInOnlyUnderGreenAndWhileRacing) {
    Feed feed;
    std::vector<TSlot> cars = {Car("ALPHA", 1), Car("BRAVO", 2), Car("CHARLIE", 3),
                               Car("DELTA", 4)};
    feed.Start(cars);
    cars[1].InPits = 1;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "Pit-in|#2# BRAVO|8\n");

    feed.Queue.Clear();
    cars[1].InPits = 0; // leaving the pits says nothing
    cars[2].InPits = 1; // entering under yellow says nothing
    feed.Read(cars, Session("Race", "FullCourseYellow"));
    EXPECT_EQ(feed.Events(), "");

    cars[0].FinishStatus = "Finished"; // status changes once, then stays
    feed.Read(cars);
    feed.Queue.Clear();
    cars[0].InPits = 1; // a finished car driving in
    cars[3].InPits = 1; // retiring into the pits: the retirement alone is told
    cars[3].FinishStatus = "DNF";
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "DNF|DELTA|8\n");
}

TEST(RaceEvents, FinalLapOnceAndNeverInATimedRace) {
    Feed feed;
    std::vector<TSlot> cars = {Car("ALPHA", 1, 13), Car("BRAVO", 2, 13)};
    feed.Start(cars);
    cars[0].Laps = 14;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "Final Lap|#1# ALPHA|10\n");
    feed.Queue.Clear();
    cars[1].Laps = 14; // not the leader
    feed.Read(cars);
    feed.Read(cars); // nothing changed
    EXPECT_EQ(feed.Events(), "");

    Feed timed;
    std::vector<TSlot> timedCars = {Car("ALPHA", 1, 0), Car("BRAVO", 2, 0)};
    timed.Start(timedCars, Session("Race", "GreenFlag", 0));
    timedCars[0].Laps = -1; // LengthLaps 0 minus 1 must not read as a final lap
    timed.Read(timedCars, Session("Race", "GreenFlag", 0));
    timedCars[0].Laps = 1;
    timed.Read(timedCars, Session("Race", "GreenFlag", 0));
    EXPECT_EQ(timed.Events(), "");
}

TEST(RaceEvents, LeaderLapRefreshesAVisibleTicker) {
    Feed feed;
    std::vector<TSlot> cars = {Car("ALPHA", 1, 3), Car("BRAVO", 2, 3)};
    feed.Start(cars);
    cars[0].Laps = 4;
    feed.Read(cars);
    EXPECT_EQ(feed.Windows.StatusRefreshes, 0) << "hidden ticker is left alone";

    feed.Windows.MessageVisible = true;
    cars[1].Laps = 4;
    feed.Read(cars);
    EXPECT_EQ(feed.Windows.StatusRefreshes, 0) << "only the leader's lap counts";
    cars[0].Laps = 5;
    feed.Read(cars);
    EXPECT_EQ(feed.Windows.StatusRefreshes, 1);
}

TEST(RaceEvents, FastestLapFromTheThirdLap) {
    Feed feed;
    std::vector<TSlot> cars = {Car("LEAD", 1, 7, 85.0f), Car("ALPHA", 2, 6, 86.0f),
                               Car("BRAVO", 3, 2, 87.0f)};
    feed.Start(cars);
    cars[1].Laps = 7;
    cars[1].BestLap = 83.456f;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "Fastest Lap|#2# ALPHA  1:23.456|7\n");
    EXPECT_EQ(feed.Windows.Log, (std::vector<std::string>{"[Fastest] ALPHA 1:23.456(Lap7)"}));

    feed.Queue.Clear();
    cars[2].BestLap = 83.0f; // session best on lap 2: out-lap noise, not told
    feed.Read(cars);
    EXPECT_TRUE(feed.Players.Item(2).Has(PlayerFlag::SessionBestLap));
    EXPECT_EQ(feed.Events(), "");
    EXPECT_EQ(feed.Windows.Log.size(), 1u);
}

TEST(RaceEvents, TheClassViewNamesEachClassWinnerAndFastestLap) {
    Feed feed;
    feed.ByClass = true;
    const auto car = [](const char* driver, int32_t position, const char* cls, float best) {
        return CarSlot(driver, position, {.Laps = 6, .BestLap = best, .VehicleClass = cls});
    };
    std::vector<TSlot> cars = {car("PROTO", 1, "LMP2", 80.0f), car("GTA", 2, "GT3", 92.0f),
                               car("GTB", 3, "GT3", 91.0f), car("LONE", 4, "", 99.0f)};
    feed.Start(cars);
    cars[2].Laps = 7;
    cars[2].BestLap = 90.5f; // the best of its class, not of the race
    cars[1].BestLap = 91.5f; // better than before, but not its class's best
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "GT3 Fastest Lap|#2# GTB  1:30.500|7\n");
    EXPECT_EQ(feed.Windows.Log, (std::vector<std::string>{"[GT3 Fastest] GTB 1:30.500(Lap7)"}));

    // With the holder gone from the file, a slower best of the class is no record.
    feed.Queue.Clear();
    cars[1].BestLap = 90.8f;
    feed.Read({cars[0], cars[1], cars[3]});
    EXPECT_EQ(feed.Events(), "");

    feed.Queue.Clear();
    for (TSlot& c : cars) {
        c.FinishStatus = "Finished";
    }
    feed.Read(cars);
    // A car of no class is told by its place in the race: a plain "Winner" would read as the
    // race's.
    EXPECT_EQ(feed.Events(), "LMP2 Winner|PROTO|12\nGT3 Winner|GTA|12\nGT3 2nd|GTB|8\n"
                             "4th|LONE|8\n");
}

TEST(RaceEvents, MessagesComeByPositionThenTheBattle) {
    Feed feed;
    std::vector<TSlot> cars = {Car("CHARLIE", 3, 13), Car("BRAVO", 2, 13), Car("ALPHA", 1, 13),
                               Car("DELTA", 4, 13)};
    cars[3].TimeGapToPrev = 0.412f;
    feed.Start(cars);
    cars[2].Laps = 14;
    cars[2].BestLap = 80.0f;
    cars[1].InPits = 1;
    feed.Players.Item(3).BattleScore = 320;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "Final Lap|#1# ALPHA|10\n"
                             "Fastest Lap|#1# ALPHA  1:20.000|7\n"
                             "Pit-in|#2# BRAVO|8\n"
                             "|#3# CHARLIE  <  0.412  >  DELTA #4#|8\n");
}

TEST(Battle, AnnouncesTheHighestPlacedAndDampsTheRest) {
    Feed feed;
    std::vector<TSlot> cars;
    for (int p = 1; p <= 7; ++p) {
        cars.push_back(Car(std::string(1, static_cast<char>('A' + p - 1)), p));
    }
    cars[3].TimeGapToPrev = 0.412f;
    cars.push_back(Car("GONE", 8));
    feed.Start(cars);
    cars.pop_back(); // GONE is Absent from now on
    const std::vector<int32_t> scores = {400, 200, 141, 310, 140, 350, -50, 500};
    for (std::size_t i = 0; i < scores.size(); ++i) {
        feed.Players.Item(static_cast<int>(i)).BattleScore = scores[i];
    }
    feed.Read(cars);

    EXPECT_EQ(feed.Events(), "|#3# C  <  0.412  >  D #4#|8\n") << "only the car at 4";
    const std::vector<int32_t> damped = {300, 133, 66, -200, 140, 300, -50, 500};
    for (std::size_t i = 0; i < damped.size(); ++i) {
        EXPECT_EQ(feed.Players.Item(static_cast<int>(i)).BattleScore, damped[i]) << i;
    }
}

TEST(Battle, SkipsAChaserWithNobodyAheadAndKeepsLooking) {
    Feed feed;
    std::vector<TSlot> cars = {Car("A", 1), Car("B", 2), Car("D", 4),
                               Car("E", 5), Car("F", 6), Car("C", 3)};
    cars[4].TimeGapToPrev = 61.5f;
    feed.Start(cars);
    cars.pop_back();                        // C leaves: six records, nobody at 3
    feed.Players.Item(2).BattleScore = 350; // at 4, nobody at 3
    feed.Players.Item(4).BattleScore = 301;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "|#5# E  <  1:01.500  >  F #6#|8\n");
    EXPECT_EQ(feed.Players.Item(4).BattleScore, -200);
    EXPECT_EQ(feed.Players.Item(2).BattleScore, 300);
}

TEST(Battle, RankingStripSilencesButStillDamps) {
    Feed feed;
    std::vector<TSlot> cars = {Car("A", 1), Car("B", 2), Car("C", 3)};
    feed.Start(cars);
    feed.Players.Item(1).BattleScore = 200;
    feed.Players.Item(2).BattleScore = 2'000'000'000; // long runs pile up large scores
    feed.Windows.Ranking = true;
    feed.Read(cars);
    EXPECT_EQ(feed.Events(), "");
    EXPECT_EQ(feed.Players.Item(2).BattleScore, -200);
    EXPECT_EQ(feed.Players.Item(1).BattleScore, 133);
    EXPECT_TRUE(feed.Windows.Ranking);
}

TEST(Battle, NoneWithOneCarOrLowScores) {
    Feed single;
    single.Start({Car("A", 1)});
    single.Players.Item(0).BattleScore = 400;
    single.Read({Car("A", 1)});
    EXPECT_EQ(single.Events(), "");
    EXPECT_EQ(single.Players.Item(0).BattleScore, 400) << "no battle, no damping";

    Feed calm;
    calm.Start({Car("A", 1), Car("B", 2)});
    calm.Players.Item(0).BattleScore = 900; // the leader has nobody to chase
    calm.Players.Item(1).BattleScore = 300;
    calm.Read({Car("A", 1), Car("B", 2)});
    EXPECT_EQ(calm.Events(), "");
    EXPECT_EQ(calm.Players.Item(0).BattleScore, 900);
    EXPECT_EQ(calm.Players.Item(1).BattleScore, 300);
}

TEST(OtherSessions, DisqualificationsAndBestLaps) {
    Feed feed;
    const TGameSession practice = Session("Practice1", "GreenFlag");
    std::vector<TSlot> cars = {Car("LEAD", 1, 5, 83.5f), Car("BRAVO", 2, 5, 83.8f),
                               Car("ALPHA", 3, 5, 86.0f), Car("DELTA", 4, 5, 88.0f),
                               Car("ECHO", 5, 5, 89.0f)};
    feed.Start(cars, practice);
    cars[2].BestLap = 84.0f;
    cars[1].BestLap = 83.6f;
    cars[3].FinishStatus = "DQ";
    cars[3].BestLap = 87.0f; // the disqualification is told, the lap is not
    cars[4].FinishStatus = "DNF";
    feed.Read(cars, practice);
    EXPECT_EQ(feed.Events(), "|#2# BRAVO  1:23.600  +0.100|7\n"
                             "|#3# ALPHA  1:24.000  +0.500|7\n"
                             "DQ|DELTA|6\n");
    EXPECT_TRUE(feed.Windows.Log.empty());

    feed.Queue.Clear();
    cars[0].BestLap = 83.0f;
    feed.Read(cars, practice);
    EXPECT_EQ(feed.Events(), "|#1# LEAD  1:23.000|7\n") << "no difference for P1";
}

TEST(OtherSessions, WarmupTellsOnlyDisqualifications) {
    Feed feed;
    const TGameSession warmup = Session("Warmup", "GreenFlag");
    std::vector<TSlot> cars = {Car("A", 1, 2, 90.0f), Car("B", 2, 2, 91.0f)};
    feed.Start(cars, warmup);
    cars[0].BestLap = 89.0f;
    cars[1].FinishStatus = "DQ";
    feed.Read(cars, warmup);
    EXPECT_EQ(feed.Events(), "DQ|B|6\n");
    EXPECT_TRUE(feed.Windows.Log.empty());
}

TEST(OtherSessions, RecordOrderNotPositionOrder) {
    Feed feed;
    const TGameSession qualifying = Session("Qualify", "GreenFlag");
    std::vector<TSlot> cars = {Car("SLOW", 3, 2, 95.0f), Car("FAST", 1, 2, 90.0f),
                               Car("MID", 2, 2, 92.0f)};
    feed.Start(cars, qualifying);
    cars[0].BestLap = 94.0f;
    cars[2].BestLap = 91.0f;
    feed.Read(cars, qualifying);
    EXPECT_EQ(feed.Events(), "|#3# SLOW  1:34.000  +4.000|7\n"
                             "|#2# MID  1:31.000  +1.000|7\n");
}

} // namespace
