#include "core/platform/folderpoll.h"

#include "core/live/livefolder.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <fstream>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using TLook = TFolderPoll::TLook;

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(FolderPoll, SeesNewFilesAndNewBytesOfTheFollowedFileAndSlowsDownWhenIdle) {
    const TTempFolder temp("kestrune-poll");
    const std::filesystem::path& folder = temp.Path();
    const TSteadyTime start{};
    TFolderPoll poll(folder.string(), IsLiveFileName, start);
    ASSERT_TRUE(poll.Found());
    EXPECT_EQ(poll.Look(start + milliseconds(200)), TLook::Unchanged);

    WriteText(folder / "a_live.txt", "Driver=Ann\n");
    EXPECT_EQ(poll.Look(start + milliseconds(400)), TLook::Changed) << "a new live file";
    WriteText(folder / "notes.txt", "not ours");
    EXPECT_EQ(poll.Look(start + milliseconds(600)), TLook::Unchanged);
    // Same size, and a share may report the same stamp: the bytes tell.
    WriteText(folder / "a_live.txt", "Driver=Bob\n");
    EXPECT_EQ(poll.Look(start + milliseconds(800)), TLook::Changed);
    EXPECT_EQ(poll.NextPause(start + seconds(5)), milliseconds(200));
    EXPECT_EQ(poll.NextPause(start + seconds(11)), milliseconds(400)) << "idle: half the looks";

    std::filesystem::remove_all(folder);
    EXPECT_EQ(poll.Look(start + seconds(12)), TLook::Gone);
    EXPECT_FALSE(TFolderPoll((folder / "missing").string(), IsLiveFileName, start).Found());
}

TEST(FolderPoll, ACrowdedFolderIsListedOnceASecondAndItsFollowedFileEveryTime) {
    const TTempFolder temp("kestrune-poll");
    const std::filesystem::path& folder = temp.Path();
    for (int i = 100; i < 300; ++i) {
        WriteText(folder / ("old" + std::to_string(i) + "_live.txt"), "[END]\n");
    }
    const TSteadyTime start{};
    TFolderPoll poll(folder.string(), IsLiveFileName, start);
    WriteText(folder / "old299_live.txt", "Driver=Ann\n[END]\n");
    EXPECT_EQ(poll.Look(start + milliseconds(200)), TLook::Changed) << "the followed file";
    WriteText(folder / "race_live.txt", "[END]\n");
    EXPECT_EQ(poll.Look(start + milliseconds(400)), TLook::Unchanged) << "not listed yet";
    EXPECT_EQ(poll.Look(start + seconds(1)), TLook::Changed) << "listed: a new live file";
}

} // namespace
