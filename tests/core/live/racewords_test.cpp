#include "core/live/racewords.h"

#include <gtest/gtest.h>

TEST(RaceWords, AreReadExactlyAndKeepTheirBytes) {
    EXPECT_EQ(FinishStatusOf("DNF"), TFinishStatus::Dnf);
    EXPECT_EQ(FinishStatusOf("DQ"), TFinishStatus::Dq);
    EXPECT_EQ(FinishStatusOf("Finished"), TFinishStatus::Finished);
    EXPECT_EQ(FinishStatusOf("None"), TFinishStatus::None);
    EXPECT_EQ(FinishStatusOf("finished"), TFinishStatus::Other) << "compared exactly";
    EXPECT_EQ(FinishStatusOf(""), TFinishStatus::Other);
    EXPECT_EQ(GamePhaseOf(""), TGamePhase::None);
    EXPECT_EQ(GamePhaseOf("fullcourseyellow"), TGamePhase::Other);
    EXPECT_EQ(SessionKindOf("Race"), TSessionKind::Race);
    EXPECT_EQ(SessionKindOf("Race2"), TSessionKind::Other);

    TFinishWord word = std::string("DQ\xE9");
    EXPECT_EQ(word.Is(), TFinishStatus::Other);
    EXPECT_EQ(word.Text(), "DQ\xE9") << "the bytes are kept for display";
    word.assign("DNF");
    EXPECT_EQ(word, TFinishStatus::Dnf);
    word.clear();
    EXPECT_EQ(word.Is(), TFinishWord().Is()) << "cleared is the same as fresh";
}
