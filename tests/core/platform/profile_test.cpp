#include "core/platform/profile.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

TEST(ProfileRead, SectionsAndKeysIgnoreCase) {
    const std::string text = "; comment\r\n[config]\r\n  WindowX = 10 \r\nfolder=/tmp/x\r\n"
                             "Quoted=\"a b\"\r\nwindowx=99\r\n[Other]\r\nWindowX=5\r\n[CONFIG]\r\n"
                             "Late=1\r\n";
    EXPECT_EQ(ProfileValue(text, "Config", "WINDOWX"), "10") << "first key wins, blanks trimmed";
    EXPECT_EQ(ProfileValue(text, "Config", "Folder"), "/tmp/x");
    EXPECT_EQ(ProfileValue(text, "Config", "Quoted"), "a b");
    EXPECT_EQ(ProfileValue(text, "Other", "WindowX"), "5");
    EXPECT_FALSE(ProfileValue(text, "Config", "Late")) << "only the first section of a name";
    EXPECT_FALSE(ProfileValue(text, "Config", "Missing"));
    EXPECT_FALSE(ProfileValue(text, "Nowhere", "WindowX"));
    EXPECT_EQ(ProfileValue("[A]\nK=\n", "A", "K"), "") << "present and empty";
}

TEST(ProfileRead, LongValuesAreCut) {
    const std::string text = "[A]\nK=" + std::string(5000, 'v') + "\n";
    EXPECT_EQ(ProfileValue(text, "A", "K")->size(), MaxProfileValue);
}

TEST(ProfileKeysListing, FileOrderAndBufferLimit) {
    EXPECT_EQ(ProfileKeys("[S]\nb=1\na=2\n;c=3\nnot a key\nB=4\n[T]\nx=1\n", "s"),
              (std::vector<std::string>{"b", "a"}));
    std::string many = "[S]\n";
    for (int i = 0; i < 2000; ++i) {
        many += "key" + std::to_string(10000 + i) + "=v\n"; // 8 bytes + zero each
    }
    const std::vector<std::string> keys = ProfileKeys(many, "S");
    EXPECT_EQ(keys.size(), (ProfileKeyListBuffer - 1) / 9);
    EXPECT_EQ(keys.front(), "key10000");
}

TEST(ProfileWrite, ReplacesInPlaceAndKeepsEveryOtherByte) {
    const std::string text = "; my notes\r\n[Config]\r\nWindowX=1\r\nStats1FontSize=20 ; big\r\n"
                             "\r\n[DriverNameAlias]\r\nJon Doe=DOE\r\n";
    const std::string updated = WithProfileValue(text, "config", "windowx", "250");
    EXPECT_EQ(updated, "; my notes\r\n[Config]\r\nWindowX=250\r\nStats1FontSize=20 ; big\r\n"
                       "\r\n[DriverNameAlias]\r\nJon Doe=DOE\r\n");
    const std::string added = WithProfileValue(text, "Config", "Logo", "/a b/logo.bmp");
    EXPECT_EQ(added, "; my notes\r\n[Config]\r\nWindowX=1\r\nStats1FontSize=20 ; big\r\n"
                     "Logo=/a b/logo.bmp\r\n\r\n[DriverNameAlias]\r\nJon Doe=DOE\r\n");
    const std::string section = WithProfileValue("[A]\nx=1", "Config", "MsgX", "3");
    EXPECT_EQ(section, "[A]\nx=1\n[Config]\nMsgX=3\n");
    EXPECT_EQ(WithProfileValue("", "Config", "K", "v"), "[Config]\nK=v\n");
    EXPECT_EQ(WithProfileValue("[Config]", "Config", "K", "v"), "[Config]\nK=v");
}

TEST(ProfileWrite, RefusesTextThatWouldBreakTheFile) {
    EXPECT_THROW(WithProfileValue("", "Config", "Logo", "a\nb"), std::invalid_argument);
    EXPECT_THROW(WithProfileValue("", "Config", "K=", "v"), std::invalid_argument);
    EXPECT_THROW(WithProfileValue("", "A]", "K", "v"), std::invalid_argument);
}

class ProfileFile : public ::testing::Test {
  protected:
    const TTempFolder Temp{"kestrune-profile"};
    const std::filesystem::path& folder = Temp.Path();
};

TEST_F(ProfileFile, RoundTripCreatesAndKeepsForeignContent) {
    // A folder whose name is neither ASCII nor free of spaces, as users name them.
    const std::string named = Temp.File("\xE8\xA8\xAD\xE5\xAE\x9A \xC3\xA9t\xC3\xA9"); // 設定 été
    std::filesystem::create_directory(Utf8Path(named));
    const std::string path = named + "/k.ini";
    EXPECT_FALSE(ReadProfileString(path, "Config", "WindowX"));
    WriteProfileString(path, "Config", "WindowX", "12");
    EXPECT_EQ(ReadProfileString(path, "Config", "WindowX"), "12");
    std::ofstream(Utf8Path(path), std::ios::app | std::ios::binary)
        << "[Mine]\r\n;keep me\r\nx = y\r\n";
    WriteProfileString(path, "Config", "WindowX", "13");
    EXPECT_EQ(Slurp(Utf8Path(path)), "[Config]\nWindowX=13\n[Mine]\r\n;keep me\r\nx = y\r\n");
    EXPECT_EQ(ReadProfileKeys(path, "mine"), std::vector<std::string>{"x"});
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Utf8Path(named))) {
        leftovers += entry.path().filename() != "k.ini";
    }
    EXPECT_EQ(leftovers, 0) << "no temporary file stays behind";
}

TEST_F(ProfileFile, FailedWriteThrowsAndLeavesNothingHalfWritten) {
    const std::filesystem::path blocker = folder / "plain";
    std::ofstream(blocker, std::ios::binary) << "not a folder";
    const std::string below = (blocker / "k.ini").string();
    EXPECT_THROW(WriteProfileString(below, "Config", "WindowX", "1"), std::runtime_error);
    EXPECT_EQ(Slurp(blocker), "not a folder");

    const std::filesystem::path dir = folder / "dir.ini";
    std::filesystem::create_directory(dir);
    EXPECT_THROW(WriteProfileString(dir.string(), "Config", "WindowX", "1"), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

#ifndef _WIN32 // links need rights on Windows that a user rarely has
TEST_F(ProfileFile, WritesThroughASymbolicLink) {
    const std::filesystem::path real = folder / "real.ini";
    std::ofstream(real, std::ios::binary) << "[Config]\nWindowX=1\n";
    const std::filesystem::path link = folder / "link.ini";
    std::filesystem::create_symlink(real, link);
    WriteProfileString(link.string(), "Config", "WindowX", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Slurp(real), "[Config]\nWindowX=2\n");
}
#endif

} // namespace
