// kestrune-replay end to end: live files written here, the real binary run on them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

struct RunResult {
    int exitCode = -1;
    std::vector<std::string> lines;
};

class Replay : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    RunResult Run(const std::string& args) {
        RunResult result;
        const std::string command = std::string(KESTRUNE_REPLAY_BIN) + " " + args + " 2>/dev/null";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return result;
        }
        std::string output;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, got);
        }
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            result.lines.push_back(line);
        }
        return result;
    }

    static std::string Car(int slot, const std::string& driver, int position, int laps,
                           const std::string& extra = "") {
        return "[Slot" + std::to_string(slot) + "]\r\nDriver=" + driver +
               "\r\nVehicle=V\r\nVehicleClass=GT\r\n" + "Position=" + std::to_string(position) +
               "\r\nLaps=" + std::to_string(laps) +
               "\r\nBestLap=90.5\r\nLastLap=91.25\r\nFinishStatus=None\r\nTimeGapToPrev=0."
               "4\r\nTimeGapToLider=1.5\r\n" +
               "LapDistanceTravelled=2750\r\n" + extra;
    }

    static std::string Race(double time, const std::string& phase, const std::string& cars) {
        char head[256];
        std::snprintf(
            head, sizeof head,
            "[Header]\r\n[Session]\r\nScene=Lakeside\r\nTrackLength=5500\r\nSessionTime=%.1f\r\n"
            "LengthLaps=3\r\nSession=Race\r\nGamePhase=%s\r\nYellowFlag=Sector 2\r\n",
            time, phase.c_str());
        return head + cars + "[END]\r\n";
    }

    const TTempFolder Temp{"kestrune-replay"};
    const std::filesystem::path& folder = Temp.Path();
};

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

TEST_F(Replay, StepsPrintEventsPlayersAndRowsInOrder) {
    const std::string a =
        Write("a_live.txt",
              Race(100.0, "GreenFlag", Car(0, "Alpha Driver", 1, 1) + Car(1, "Bob Lee", 2, 1)));
    const std::string b = Write(
        "b_live.txt", Race(102.0, "GreenFlag",
                           Car(0, "Alpha Driver", 1, 2) + Car(1, "Bob Lee", 2, 1, "InPits=1\r\n")));
    const RunResult r = Run("--players --rows " + a + " " + b);
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_GE(r.lines.size(), 13u);
    EXPECT_EQ(r.lines[0], "step\t1\t" + a);
    EXPECT_EQ(r.lines[1], "session\tRace\tGreenFlag\t0.000\t90.500");
    EXPECT_EQ(r.lines[2],
              "player\t0\tAlpha Driver\t21\t1\t0\t1\t90.500\t91.250\t0\t0\t0\tNone\t0\t");
    EXPECT_EQ(r.lines[4], "row\t0\tA.DRI\t0.400\t020000FF\t1\t90.500\t0\t1\t0001\t5");
    EXPECT_EQ(r.lines[6], "step\t2\t" + b);
    EXPECT_EQ(r.lines[7], "event\tFinal Lap\t#1# Alpha Driver\t10");
    EXPECT_EQ(r.lines[8], "event\tPit-in\t#2# Bob Lee\t8");
    EXPECT_EQ(r.lines[9], "session\tRace\tGreenFlag\t2.000\t90.500");
    EXPECT_THAT(r.lines[11], HasSubstr("player\t1\tBob Lee\t09\t2\t1"));
    EXPECT_EQ(r.lines[13], "row\t1\tB.LEE\t0.400\t020000FF\t1\t90.500\t0\t0\t0081\t5");
}

TEST_F(Replay, YellowSwitchMissingFilesAndSummaries) {
    const std::string a =
        Write("a_live.txt", Race(100.0, "GreenFlag", Car(0, "Alpha Driver", 1, 1)));
    const std::string y =
        Write("y_live.txt", Race(102.0, "FullCourseYellow", Car(0, "Alpha Driver", 1, 1)));
    const std::string missing = (folder / "gone_live.txt").string();
    const RunResult r =
        Run("--players " + a + " " + y + " " + y + " --switch " + missing + " --summaries");
    ASSERT_EQ(r.exitCode, 0);
    int yellowEvents = 0;
    for (const std::string& line : r.lines) {
        yellowEvents += line == "event\tFullCourseYellow\t\t10";
    }
    EXPECT_EQ(yellowEvents, 1) << "queued once while the phase lasts";
    EXPECT_THAT(r.lines, Contains("step\t4\t" + missing));
    EXPECT_THAT(r.lines, Contains(HasSubstr("log\t")));
    EXPECT_THAT(r.lines, Contains("session\t\t\t-1.000\t0.000")) << "fresh records after --switch";
    EXPECT_THAT(r.lines, Contains("summary\tSession Time - 00:01:42"));
    EXPECT_THAT(r.lines, Contains(HasSubstr("summary\t 1[01]Alpha Driver")));
}

TEST_F(Replay, ASwitchTakesUpTheNextFileAsTheProgramDoes) {
    // The first file ends with [END]; the next one's writer does not write it. The program
    // forgets the first file's habit when it takes up the next, and so must the replay.
    const std::string a =
        Write("a_live.txt", Race(100.0, "GreenFlag", Car(0, "Alpha Driver", 1, 1)));
    std::string next = Race(5.0, "GreenFlag", Car(0, "Bob Lee", 1, 0));
    next.erase(next.rfind("[END]"));
    const std::string b = Write("b_live.txt", next);
    const RunResult r = Run("--players " + a + " --switch " + b);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.lines, Contains(HasSubstr("\tBob Lee\t"))) << "the next file was dropped";
}

TEST_F(Replay, SnapshotsCutShortAfterWholeOnesNeverGoOnAir) {
    // Each snapshot stands for a version that lasted: a writer that stalled part way through
    // the next version, at every point of it in turn.
    const std::string whole =
        Race(100.0, "GreenFlag", Car(0, "Alpha Driver", 1, 1) + Car(1, "Bob Lee", 2, 1));
    const std::string next = Race(102.0, "GreenFlag",
                                  Car(0, "Alpha Driver", 1, 2, "BestLap=80.1\r\n") +
                                      Car(1, "Bob Lee", 2, 1, "InPits=1\r\n"));
    std::string args = "--players " + Write("a_live.txt", whole);
    const std::size_t from = next.find("[Slot0]");
    for (std::size_t cut = from; cut < next.rfind("[END]"); cut += 23) {
        args += " " + Write("cut" + std::to_string(cut) + "_live.txt", next.substr(0, cut));
    }
    const RunResult r = Run(args + " " + Write("b_live.txt", next));
    ASSERT_EQ(r.exitCode, 0);
    const auto lastStep = std::find_if(r.lines.rbegin(), r.lines.rend(), [](const auto& line) {
        return line.rfind("step\t", 0) == 0;
    });
    ASSERT_NE(lastStep, r.lines.rend());
    const std::vector<std::string> cuts(r.lines.begin(), lastStep.base() - 1);
    EXPECT_THAT(cuts, ::testing::Not(Contains(HasSubstr("event\t")))) << "no false event";
    EXPECT_THAT(cuts, ::testing::Not(Contains(HasSubstr("player\t2\t")))) << "nor a phantom";
    EXPECT_THAT(r.lines, Contains("event\tPit-in\t#2# Bob Lee\t8")) << "the whole one goes";
}

TEST_F(Replay, IniIgnoreReportsAndRankings) {
    const std::string ini =
        Write("k.ini",
              "[Config]\r\nStats1NameLength=8\r\n[DriverNameAlias]\r\nalpha driver=Rocketeer\r\n");
    const std::string a =
        Write("a_live.txt",
              Race(100.0, "GreenFlag",
                   Car(0, "Alpha Driver", 1, 1) + Car(1, "Bob Lee", 2, 1) + Car(2, "Ghost", 3, 1)));
    const RunResult r =
        Run("--ini " + ini + " --ignore GHOST --rows --ranking gapl --report bestlap " + a);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.lines, Contains(HasSubstr("row\t0\tROCKETEE\t")));
    EXPECT_THAT(r.lines, Contains(HasSubstr("row\t1\tBOB LEE\t")));
    EXPECT_THAT(r.lines, ::testing::Not(Contains(HasSubstr("Ghost"))));
    const auto ranking = std::find(r.lines.begin(), r.lines.end(), "ranking\tGap\t");
    ASSERT_NE(ranking, r.lines.end());
    EXPECT_EQ(*(ranking + 1), "ranking\t\t#1# ROCKETEE  1Laps");
    EXPECT_EQ(*(ranking + 2), "ranking\t\t#2# BOB LEE  +1.500") << "time short under a minute";
    EXPECT_EQ(*(ranking + 3), "report\t[Bestlap]") << "finals in command-line order";
}

TEST_F(Replay, AMultiClassRaceByClassTellsEachClassWinnerAndRanksWithinClasses) {
    const std::filesystem::path snapshots = folder / "snapshots";
    const std::string feed = std::string(KESTRUNE_FEED_BINARY) + " --folder '" +
                             (folder / "live").string() + "' --classes LMP2:3,GT3:4 --laps 4" +
                             " --speed 300 --rate 100 --seed 5 --quiet --snapshots '" +
                             snapshots.string() + "'";
    ASSERT_EQ(std::system(feed.c_str()), 0);
    // The shell lists the numbered snapshots in the order they were written.
    const RunResult r = Run("--classes --rows --ranking gapl '" + snapshots.string() + "'/snap-*");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.lines, Contains(HasSubstr("event\tLMP2 Winner\t")));
    EXPECT_THAT(r.lines, Contains(HasSubstr("event\tGT3 Winner\t")));
    EXPECT_THAT(r.lines, Contains("ranking\tGT3\t"));
    // Rows end with class, place in the class and both gaps (none for a class leader).
    EXPECT_THAT(r.lines, Contains(MatchesRegex("row\t.*\tLMP2\t1\t\t")));
    EXPECT_THAT(r.lines, Contains(MatchesRegex("row\t.*\tGT3\t4\t\\+[^\t]+\t\\+[^\t]+")));
}

TEST_F(Replay, BadOptionsGiveUsageAndExitTwo) {
    EXPECT_EQ(Run("").exitCode, 2);
    EXPECT_EQ(Run("--report nonsense x_live.txt").exitCode, 2);
    EXPECT_EQ(Run("--bogus x_live.txt").exitCode, 2);
    EXPECT_EQ(Run("x_live.txt --ini").exitCode, 2);
}

} // namespace
