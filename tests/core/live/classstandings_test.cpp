// Class places on hand-made fields of several classes.

#include "core/live/classstandings.h"
#include "core/standings/rows.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include <string>
#include <vector>

namespace {

TSlot Car(const char* driver, int position, const char* cls, int laps, double distance,
          float gap, float best = 0.0f, const char* finish = "None", bool inPits = false) {
    return CarSlot(driver, position,
                   {.Laps = laps, .BestLap = best, .LapDistanceTravelled = distance,
                    .FinishStatus = finish, .VehicleClass = cls, .TimeGapToLider = gap,
                    .InPits = inPits});
}

TEST(ClassPlaces, EachCarIsPlacedAndTimedWithinItsOwnClass) {
    TPlayers players;
    players.Merge({Car("Proto A", 1, "LMP2", 10, 2000, 0, 81.0f),
                   Car("Proto B", 2, "LMP2", 9, 4000, 5, 80.5f),
                   Car("GT One", 3, "GT3", 10, 1000, 12),
                   // Lapped by its class leader, on the lap of the car ahead in the class.
                   Car("Proto C", 4, "LMP2", 9, 1000, 95, 82.0f),
                   Car("GT Two", 5, "GT3", 10, 500, 20, 0, "None", true),
                   Car("GT Three", 6, "GT3", 4, 100, 400, 0, "DNF"),
                   Car("Solo", 7, "GT4", 8, 0, 300),
                   Car("Nobody", 8, "", 8, 0, 310)});
    TGameSession race;
    race.Session = "Race";
    race.TrackLength = 5000.0;
    const std::vector<TClassPlace> places = ClassPlaces(StandingOrder(players), race);
    // Each car: its place and class number, its gaps to the class leader and the car ahead.
    std::vector<std::string> got;
    for (const TClassPlace& p : places) {
        got.push_back(std::to_string(p.Position) + " " + std::to_string(p.ClassNumber) + " " +
                      ClassGapText(p, p.ToLeader) + " " + ClassGapText(p, p.ToAhead));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"1 0  ", "2 0 +5.000 +5.000", "1 1  ",
                                             "3 0 +1L +1:30.000", "2 1 +8.000 +8.000",
                                             "3 1 +6L +6L", "1 2  ", "1 3  "}));
    EXPECT_EQ(ClassesInOrder(places), (std::vector<std::string>{"LMP2", "GT3", "GT4", ""}));
    // Outside a race the gaps are best laps': laps done say nothing of them.
    race.Session = "Practice1";
    const TClassPlace practice = ClassPlaces(StandingOrder(players), race)[5];
    EXPECT_EQ(ClassGapText(practice, practice.ToLeader), "+6:28.000");

    // Best laps are per class, and a car keeps the class its record was created with.
    EXPECT_EQ(ClassBestLaps(players)[1].Record, -1) << "no GT3 car has a time yet";
    players.Merge({Car("Proto A", 1, "GT3", 11, 2000, 0, 79.0f),
                   Car("GT One", 2, "GT3", 10, 1000, 12, 90.0f)});
    const std::vector<TClassBest> bests = ClassBestLaps(players);
    ASSERT_EQ(bests.size(), 2u) << "only the cars of the latest reading";
    EXPECT_EQ(bests[0].Class, "LMP2");
    EXPECT_EQ(players.Item(bests[0].Record).Driver, "Proto A");
    EXPECT_FLOAT_EQ(bests[0].BestLap, 79.0f);
    EXPECT_EQ(players.Item(bests[1].Record).Driver, "GT One");
}

} // namespace
