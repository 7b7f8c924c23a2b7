#include "core/live/livefile.h"
#include "core/platform/numbers.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <filesystem>
#include <fstream>

namespace {

struct Reading {
    std::vector<TSlot> slots;
    TGameSession session;
};

Reading Parse(std::string_view text, TGameSession session = {}, std::string_view separator = ".") {
    Reading r;
    r.session = std::move(session);
    ParseLiveText(text, r.slots, r.session, separator);
    return r;
}

TEST(LiveFileGrammar, ReadsSessionAndSlotsInFileOrder) {
    const Reading r =
        Parse("[Header]\r\nScene=ignored\r\n[Session]\r\nScene=Lakeside\r\n"
              "TrackLength=5500.5\r\nSessionTime=123.25\r\nLengthLaps=30\r\n"
              "AmbientTemp=21.5\r\nTrackTemp=30\r\nSession=Race\r\n"
              "GamePhase=GreenFlag\r\nYellowFlag=None\r\n"
              "[Slot00]\r\nDriver=Tom Rider\r\nVehicle=Car A\r\nVehicleClass=GT\r\n"
              "Position=2\r\nLaps=3\r\nInSector=1\r\nBestLap=91.5\r\nLastLap=92.25\r\n"
              "BestSectors=(30.1,30.2,31.2)\r\nLastLapSectors=(30.5,30.5,31.25)\r\n"
              "Pitstops=1\r\nInPits=1\r\nTimeGapToLider=1.5\r\nLapGapToLider=0\r\n"
              "TimeGapToPrev=1.5\r\nLapGapToPrev=0\r\nLapDistanceTravelled=1200.75\r\n"
              "FinishStatus=None\r\n"
              "[Slot01]\r\nDriver=Bob Lee\r\nPosition=1\r\n[END]\r\n");
    EXPECT_EQ(r.session.Scene, "Lakeside");
    EXPECT_DOUBLE_EQ(r.session.TrackLength, 5500.5);
    EXPECT_DOUBLE_EQ(r.session.SessionTime, 123.25);
    EXPECT_EQ(r.session.LengthLaps, 30);
    EXPECT_FLOAT_EQ(r.session.AmbientTemp, 21.5f);
    EXPECT_FLOAT_EQ(r.session.TrackTemp, 30.0f);
    EXPECT_EQ(r.session.Session, "Race");
    EXPECT_EQ(r.session.GamePhase, "GreenFlag");
    EXPECT_EQ(r.session.YellowFlag, "None");
    EXPECT_EQ(r.session.SessionTimeDelta, 0.0);
    ASSERT_EQ(r.slots.size(), 2u);
    const TSlot& s = r.slots[0];
    EXPECT_EQ(s.Driver, "Tom Rider");
    EXPECT_EQ(s.Vehicle, "Car A");
    EXPECT_EQ(s.VehicleClass, "GT");
    EXPECT_EQ(s.Position, 2);
    EXPECT_EQ(s.Laps, 3);
    EXPECT_EQ(s.InSector, 1);
    EXPECT_FLOAT_EQ(s.BestLap, 91.5f);
    EXPECT_FLOAT_EQ(s.LastLap, 92.25f);
    EXPECT_FLOAT_EQ(s.BestSectors[2], 31.2f);
    EXPECT_FLOAT_EQ(s.LastLapSectors[0], 30.5f);
    EXPECT_EQ(s.Pitstops, 1);
    EXPECT_EQ(s.InPits, 1);
    EXPECT_FLOAT_EQ(s.TimeGapToLider, 1.5f);
    EXPECT_FLOAT_EQ(s.TimeGapToPrev, 1.5f);
    EXPECT_DOUBLE_EQ(s.LapDistanceTravelled, 1200.75);
    EXPECT_EQ(s.FinishStatus, "None");
    EXPECT_EQ(r.slots[1].Driver, "Bob Lee");
    EXPECT_EQ(r.slots[1].Position, 1);
}

TEST(LiveFileGrammar, WholeKeyWithEqualsMustBeginTheLine) {
    const Reading r = Parse("[Session]\nSessionTime=50\n[Slot1]\nLastLapSectors=(1,2,3)\n"
                            "Laps=7\nLap=9\nSectors=(4,5,6)\n");
    EXPECT_EQ(r.session.Session, "") << "SessionTime= is not Session=";
    ASSERT_EQ(r.slots.size(), 1u);
    EXPECT_EQ(r.slots[0].LastLap, 0.0f) << "LastLapSectors= is not LastLap=";
    EXPECT_FLOAT_EQ(r.slots[0].LastLapSectors[1], 2.0f);
    EXPECT_EQ(r.slots[0].Laps, 7) << "Lap= is read and discarded";
    EXPECT_EQ(r.slots[0].BestSectors[0], 0.0f);
}

TEST(LiveFileGrammar, IgnoredLines) {
    const Reading r = Parse("Driver=before any section\n[Slot0]\n Driver=blank led\n"
                            "//Driver=comment\nDriver\nUnknown=1\nScene=session key in slot\n"
                            "Driver=A\n[Session]\nDriver=slot key in session\nScene=S\n[Bogus]\n"
                            "Session=still session\n[Header]\nSession=header\n");
    ASSERT_EQ(r.slots.size(), 1u);
    EXPECT_EQ(r.slots[0].Driver, "A");
    EXPECT_EQ(r.session.Scene, "S");
    EXPECT_EQ(r.session.Session, "still session") << "an unknown section keeps the current one";
}

TEST(LiveFileGrammar, KeysAfterEndStillFillTheLastSection) {
    const Reading r = Parse("[Slot0]\nDriver=A\n[END]\nLaps=4\n");
    ASSERT_EQ(r.slots.size(), 1u);
    EXPECT_EQ(r.slots[0].Laps, 4);
    const Reading s = Parse("[Session]\n[END]\nScene=After\n");
    EXPECT_EQ(s.session.Scene, "After");
}

TEST(LiveFileGrammar, DuplicateKeyLaterWinsAndTwelveSlotsKeepOrder) {
    std::string text = "[Slot]\nDriver=x\nDriver=y\n";
    for (int i = 1; i < 12; ++i) {
        text += "[Slot" + std::to_string(i) + "]\nDriver=D" + std::to_string(i) + "\n";
    }
    const Reading r = Parse(text);
    ASSERT_EQ(r.slots.size(), 12u);
    EXPECT_EQ(r.slots[0].Driver, "y");
    EXPECT_EQ(r.slots[11].Driver, "D11");
}

TEST(LiveFileGrammar, LineEndsAndZeroByte) {
    const Reading cr = Parse("[Slot0]\rDriver=A\rLaps=2\r");
    ASSERT_EQ(cr.slots.size(), 1u);
    EXPECT_EQ(cr.slots[0].Laps, 2);
    const Reading mixed = Parse("[Slot0]\r\n\r\nDriver=A\n\nLaps=3\r\n");
    EXPECT_EQ(mixed.slots[0].Laps, 3);
    const std::string withNul("[Slot0]\nDriver=A\n\0[Slot1]\nDriver=B\n", 33);
    const Reading nul = Parse(withNul);
    ASSERT_EQ(nul.slots.size(), 1u) << "a zero byte ends the text";
    EXPECT_EQ(nul.slots[0].Driver, "A");
}

TEST(LiveFileGrammar, ValuesAreNotTrimmed) {
    const Reading r = Parse("[Slot0]\nDriver=\nVehicle= Car \nPosition= 3\nBestLap=91.0 \n");
    EXPECT_EQ(r.slots[0].Driver, "");
    EXPECT_EQ(r.slots[0].Vehicle, " Car ");
    EXPECT_EQ(r.slots[0].Position, 0);
    EXPECT_EQ(r.slots[0].BestLap, -1.0f);
}

TEST(LiveFileValues, MissingIsZeroButUnreadableTakesDefault) {
    const Reading r = Parse("[Session]\nTrackLength=long\nSessionTime=\n[Slot0]\nPosition=3a\n"
                            "BestLap=fast\nTimeGapToPrev=nan\nTimeGapToLider=inf\n"
                            "LapDistanceTravelled=0x10\nLaps=99999999999\n[Slot1]\n");
    EXPECT_EQ(r.session.TrackLength, 0.0);
    EXPECT_EQ(r.session.SessionTime, 0.0);
    const TSlot& bad = r.slots[0];
    EXPECT_EQ(bad.Position, 0);
    EXPECT_EQ(bad.BestLap, -1.0f);
    EXPECT_EQ(bad.TimeGapToPrev, -1.0f);
    EXPECT_EQ(bad.TimeGapToLider, -1.0f);
    EXPECT_EQ(bad.LapDistanceTravelled, -1.0);
    EXPECT_EQ(bad.Laps, 0) << "overflow does not convert";
    const TSlot& missing = r.slots[1];
    EXPECT_EQ(missing.BestLap, 0.0f);
    EXPECT_EQ(missing.TimeGapToPrev, 0.0f);
    EXPECT_EQ(missing.LapDistanceTravelled, 0.0);
}

TEST(LiveFileValues, NumberForms) {
    const Reading r = Parse("[Slot0]\nBestLap=-1.5e1\nLastLap=+.5\nPosition=-2\nLaps=+4\n"
                            "TimeGapToPrev=1e39\nLapDistanceTravelled=5.\n");
    const TSlot& s = r.slots[0];
    EXPECT_FLOAT_EQ(s.BestLap, -15.0f);
    EXPECT_FLOAT_EQ(s.LastLap, 0.5f);
    EXPECT_EQ(s.Position, -2);
    EXPECT_EQ(s.Laps, 4);
    EXPECT_EQ(s.TimeGapToPrev, -1.0f) << "beyond a 32-bit float";
    EXPECT_EQ(s.LapDistanceTravelled, 5.0);
}

TEST(LiveFileValues, KeysOutOfTheWritersOrderAndLongDigitRuns) {
    // The parser expects the writer's key order and the short number forms; anything else must
    // read the same through the slower path.
    const Reading r =
        Parse("[Slot0]\nFinishStatus=DNF\nLapDistanceTravelled=0.1000000000000000055511\n"
              "Laps=0000000000012\nLap=5\nBestLap=90.12345678901234567\n"
              "Driver=Z\nPosition=1\n");
    const TSlot& s = r.slots[0];
    EXPECT_EQ(s.FinishStatus, "DNF");
    EXPECT_EQ(s.LapDistanceTravelled, 0.1);
    EXPECT_EQ(s.Laps, 12);
    EXPECT_EQ(s.BestLap, 90.12345678901234567f);
    EXPECT_EQ(s.Driver, "Z");
    EXPECT_EQ(s.Position, 1);
}

TEST(LiveFileValues, UserDecimalSeparatorIsAcceptedBesidesPoint) {
    const Reading r = Parse("[Slot0]\nBestLap=91,5\nLastLap=92.5\n", {}, ",");
    EXPECT_FLOAT_EQ(r.slots[0].BestLap, 91.5f);
    EXPECT_FLOAT_EQ(r.slots[0].LastLap, 92.5f);
    const Reading point = Parse("[Slot0]\nBestLap=91,5\n");
    EXPECT_EQ(point.slots[0].BestLap, -1.0f);

    const Reading arabic = Parse("[Slot0]\nBestLap=91\xD9\xAB"
                                 "5\nLastLap=91\xD9"
                                 "5\n",
                                 {}, "\xD9\xAB"); // U+066B, two bytes in UTF-8
    EXPECT_FLOAT_EQ(arabic.slots[0].BestLap, 91.5f);
    EXPECT_EQ(arabic.slots[0].LastLap, -1.0f) << "half a separator is no separator";
}

TEST(ParseTripleForms, BracketedLists) {
    std::array<float, 3> t{};
    ParseTriple("(31.2,30.1,29.8)", t);
    EXPECT_FLOAT_EQ(t[0], 31.2f);
    EXPECT_FLOAT_EQ(t[1], 30.1f);
    EXPECT_FLOAT_EQ(t[2], 29.8f);
    ParseTriple("(31.2)", t);
    EXPECT_EQ(t, (std::array<float, 3>{-1, -1, -1}));
    ParseTriple("(31.2,30.1)", t);
    EXPECT_EQ(t, (std::array<float, 3>{31.2f, -1, -1}));
    ParseTriple("", t);
    EXPECT_EQ(t, (std::array<float, 3>{-1, -1, -1}));
    ParseTriple("(", t);
    EXPECT_EQ(t, (std::array<float, 3>{-1, -1, -1}));
    ParseTriple("(1,x,3,4)", t);
    EXPECT_EQ(t[0], 1.0f);
    EXPECT_EQ(t[1], -1.0f);
    EXPECT_EQ(t[2], -1.0f) << "everything after the second comma is the third";
    ParseTriple("[,,]", t);
    EXPECT_EQ(t, (std::array<float, 3>{-1, -1, -1}));
}

TEST(LiveSessionPersistence, KeysLeftOutKeepTheirLastValue) {
    TGameSession session;
    std::vector<TSlot> slots;
    ParseLiveText("[Session]\nScene=Lakeside\nSession=Race\n[Slot0]\nDriver=A\n", slots, session);
    ParseLiveText("[Session]\nSession=Warmup\n", slots, session);
    EXPECT_TRUE(slots.empty()) << "a session without slots leaves no cars";
    EXPECT_EQ(session.Scene, "Lakeside");
    EXPECT_EQ(session.Session, "Warmup");
}

class LiveFileOnDisk : public ::testing::Test {
  protected:
    std::string Path;
    std::vector<TSlot> Slots;
    TGameSession Session;
    const TTempFolder Temp{"kestrune-livefile"};
    const std::filesystem::path& folder = Temp.Path();
};

TEST_F(LiveFileOnDisk, ReadsTheFollowedFile) {
    Path = (folder / "a_live.txt").string();
    std::ofstream(Path, std::ios::binary) << "[Session]\r\nScene=X\r\n[Slot00]\r\nDriver=A\r\n";
    ParseLiveFile(Path, Slots, Session);
    ASSERT_EQ(Slots.size(), 1u);
    EXPECT_EQ(Session.Scene, "X");
}

TEST_F(LiveFileOnDisk, FailuresThrowWithTheSystemMessageAndKeepTheSession) {
    Session.Scene = "kept";
    Slots.resize(3);
    Path = (folder / "missing_live.txt").string();
    try {
        ParseLiveFile(Path, Slots, Session);
        FAIL() << "a missing file must raise";
    } catch (const std::runtime_error& e) {
#ifdef _WIN32
        const std::string systemSays = "(2)"; // ERROR_FILE_NOT_FOUND, in the user's language
#else
        const std::string systemSays = "No such file";
#endif
        EXPECT_NE(std::string(e.what()).find(systemSays), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Slots.empty());
    EXPECT_EQ(Session.Scene, "kept");

    Path = folder.string();
    EXPECT_THROW(ParseLiveFile(Path, Slots, Session), std::runtime_error)
        << "a directory is not a live file";
}

TEST_F(LiveFileOnDisk, RefusesFilesLargerThanTheLimit) {
    Path = (folder / "big_live.txt").string();
    {
        std::ofstream out(Path, std::ios::binary);
        out << "[Slot0]\nDriver=A\n";
    }
    std::filesystem::resize_file(Path, MaxLiveFileSize + 1);
    try {
        ParseLiveFile(Path, Slots, Session);
        FAIL() << "an oversized file must be refused";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Slots.empty());
}

} // namespace
