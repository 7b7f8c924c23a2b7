#include "core/live/livefolder.h"
#include "core/platform/filestamp.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(Utf8Path(path), std::ios::binary | std::ios::trunc) << text;
}

TEST(FileStamp, EqualWhileUnchangedAndMovesWithEveryWrite) {
    const TTempFolder folder("kestrune-folder");
    const std::string path = folder.File("a_live.txt");
    WriteFile(path, "[Session]\n");
    ASSERT_TRUE(SetWriteTime(path, 1'600'000'000, 250'000'000));
    const TFileStamp first = GetFileStamp(path);
    EXPECT_NE(first, 0);
    EXPECT_EQ(GetFileStamp(path), first);

    WriteFile(path, "[Session]\nScene=Other\n");
    ASSERT_TRUE(SetWriteTime(path, 1'600'000'001, 250'000'000));
    const TFileStamp rewritten = GetFileStamp(path);
    EXPECT_NE(rewritten, first);
    EXPECT_EQ(rewritten - first, FileStampUnitsPerSecond);

    // Sub-second changes count too (100 ns is the finest every system keeps), and an older
    // time is still a change.
    ASSERT_TRUE(SetWriteTime(path, 1'600'000'001, 250'000'100));
    EXPECT_EQ(GetFileStamp(path) - rewritten, FileStampUnitsPerSecond / 10'000'000);
    ASSERT_TRUE(SetWriteTime(path, 1'500'000'000));
    EXPECT_NE(GetFileStamp(path), rewritten);
}

TEST(FileStamp, NoStampForWhatCannotBeRead) {
    const TTempFolder folder("kestrune-folder");
    EXPECT_EQ(GetFileStamp(folder.File("missing_live.txt")), 0);
    EXPECT_EQ(GetFileStamp(folder.String()), 0);
    EXPECT_EQ(GetFileStamp(""), 0);

    // A file dated at the epoch, or far beyond what nanoseconds hold, is still a readable file.
    const std::string path = folder.File("old_live.txt");
    WriteFile(path, "x");
    ASSERT_TRUE(SetWriteTime(path, 0));
    EXPECT_NE(GetFileStamp(path), 0);
    ASSERT_TRUE(SetWriteTime(path, 10'000'000'000)); // year 2286
    EXPECT_NE(GetFileStamp(path), 0);

#ifndef _WIN32
    const std::string fifo = folder.File("pipe_live.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(GetFileStamp(fifo), 0);
#endif
}

TEST(NewestLiveFile, TheNameThatSortsLastIgnoringCaseNotTheNewestTime) {
    const TTempFolder folder("kestrune-folder");
    EXPECT_EQ(FindNewestLiveFile(folder.String()), "");
    EXPECT_EQ(FindNewestLiveFile(""), "");
    // A missing folder is a definite answer (no file), not a failed listing.
    EXPECT_EQ(TryFindNewestLiveFile(folder.File("missing")), std::optional<std::string>(""));

    WriteFile(folder.File("B_live.txt"), "");
    WriteFile(folder.File("a_live.txt"), "");
    ASSERT_TRUE(SetWriteTime(folder.File("B_live.txt"), 1'600'000'000));
    ASSERT_TRUE(SetWriteTime(folder.File("a_live.txt"), 1'700'000'000));
    EXPECT_EQ(FindNewestLiveFile(folder.String()), folder.File("B_live.txt"));

    WriteFile(folder.File("c_live.txt"), "");
    EXPECT_EQ(FindNewestLiveFile(folder.String()), folder.File("c_live.txt"));
    EXPECT_EQ(FindNewestLiveFile(folder.File("c_live.txt")), ""); // not a folder
}

TEST(NewestLiveFile, TakesOnlyFilesWhoseNameEndsInTheSuffixOnce) {
    const TTempFolder folder("kestrune-folder");
    WriteFile(folder.File("x_live.txt"), "");
    // Each of these sorts after x_live.txt and would win if it were taken.
    WriteFile(folder.File("abc_live.txt.bak"), "");
    WriteFile(folder.File("notes.txt"), "");
    WriteFile(folder.File("X_LIVE.TXT"), "");
    WriteFile(folder.File("Z_LIVE.TXT"), "");
    WriteFile(folder.File("zz_live.txt_live.txt"), "");
    fs::create_directory(folder.File("y_live.txt"));
#ifndef _WIN32
    fs::create_directory_symlink(folder.File("y_live.txt"), folder.File("yy_live.txt"));
    fs::create_symlink(folder.File("nowhere"), folder.File("z_live.txt"));
#endif
    EXPECT_EQ(FindNewestLiveFile(folder.String()), folder.File("x_live.txt"));

#ifndef _WIN32
    // A symlink to a file is a live file like any other.
    fs::create_symlink(folder.File("x_live.txt"), folder.File("xx_live.txt"));
    EXPECT_EQ(FindNewestLiveFile(folder.String()), folder.File("xx_live.txt"));
#endif

    EXPECT_TRUE(IsLiveFileName("_live.txt"));
    EXPECT_FALSE(IsLiveFileName("live.txt"));
    EXPECT_FALSE(IsLiveFileName("a_Live.txt"));
}

TEST(NewestLiveFile, NamesAreOrderedByTheLocaleCollationNotByCodePoint) {
    const TTempFolder folder("kestrune-folder");
    WriteFile(folder.File("race_live.txt"), "");
    WriteFile(folder.File("race2_live.txt"), "");
    EXPECT_EQ(FindNewestLiveFile(folder.String()), folder.File("race2_live.txt"));

    const TTempFolder accents("kestrune-folder");
    WriteFile(accents.File("\xC3\xA9t\xC3\xA9_live.txt"), ""); // été: sorts with "e"
    WriteFile(accents.File("f_live.txt"), "");
    EXPECT_EQ(FindNewestLiveFile(accents.String()), accents.File("f_live.txt"));
}

} // namespace
