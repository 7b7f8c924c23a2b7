#include "core/app/config.h"
#include "core/platform/colornames.h"
#include "core/platform/intvalue.h"
#include "core/platform/programplace.h"

#include <gtest/gtest.h>

#include "tests/support/testfiles.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class ConfigFile : public ::testing::Test {
  protected:
    TConfigLoad LoadWith(const std::string& config) {
        std::ofstream(path, std::ios::binary) << "[Config]\r\n" << config;
        return LoadConfig(path);
    }
    const TTempFolder Temp{"kestrune-config"};
    const std::filesystem::path& folder = Temp.Path();
    const std::string path = Temp.File("kestrune.ini");
};

TEST_F(ConfigFile, MissingFileGivesEveryDefault) {
    const TConfigLoad load = LoadConfig(path);
    const TKestruneConfig& c = load.Config;
    EXPECT_TRUE(load.Errors.empty());
    for (int32_t bound : {c.WindowX, c.WindowY, c.WindowW, c.WindowH, c.Stats1X, c.Stats1Y,
                          c.Stats1W, c.Stats1H, c.MsgX, c.MsgY, c.MsgW, c.MsgH}) {
        EXPECT_EQ(bound, Unset);
    }
    EXPECT_EQ(c.Stats1FontSize, 14);
    EXPECT_TRUE(c.Stats1FontBold);
    EXPECT_EQ(c.Stats1FontInPitColor, 0x0000FFu);
    EXPECT_EQ(c.Stats1NameLength, 5);
    EXPECT_TRUE(c.Stats1DrawMinutes);
    EXPECT_EQ(c.MsgFontSize, 12);
    EXPECT_EQ(c.Folder, "");
    EXPECT_EQ(load.Logo, "");
}

TEST_F(ConfigFile, ValueSyntax) {
    const TConfigLoad load =
        LoadWith("WindowX=0x10\r\nWindowY=$20\r\nWindowW=0\r\nWindowH=2147483647\r\n"
                 "Stats1X=-5\r\nStats1Y=abc\r\nStats1W=\r\nStats1H=-5\r\nStats1FontBold=7\r\n"
                 "Stats1DrawMinutes=0\r\nMsgFontSize=yes\r\nFolder= /races/live \r\n"
                 "Logo=C:\\logo.bmp\r\nstats1namelength=8\r\n");
    const TKestruneConfig& c = load.Config;
    EXPECT_EQ(c.WindowX, 16);
    EXPECT_EQ(c.WindowY, 32);
    EXPECT_EQ(c.WindowW, Unset) << "a size of 0 or less means the designed size";
    EXPECT_EQ(c.Stats1H, Unset) << "a size of 0 or less means the designed size";
    EXPECT_EQ(c.WindowH, Unset);
    EXPECT_EQ(c.Stats1X, -5);
    EXPECT_EQ(c.Stats1Y, Unset) << "unreadable counts as absent";
    EXPECT_EQ(c.Stats1W, Unset) << "empty counts as absent";
    EXPECT_TRUE(c.Stats1FontBold);
    EXPECT_FALSE(c.Stats1DrawMinutes);
    EXPECT_EQ(c.MsgFontSize, 12);
    EXPECT_EQ(c.Folder, "/races/live");
    EXPECT_EQ(load.Logo, "C:\\logo.bmp");
    EXPECT_EQ(c.Stats1NameLength, 8) << "keys ignore case";
    EXPECT_FALSE(LoadWith("Stats1FontBold=0\r\n").Config.Stats1FontBold);
    EXPECT_TRUE(LoadWith("Stats1FontBold=yes\r\n").Config.Stats1FontBold);
}

TEST_F(ConfigFile, PitAndClassColourNamesAndNumbers) {
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=clyellow\r\n").Config.Stats1FontInPitColor, 0x00FFFFu);
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=$0000FF\r\n").Config.Stats1FontInPitColor, 0x0000FFu);
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=255\r\n").Config.Stats1FontInPitColor, 0x0000FFu);
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=clBtnFace\r\n").Config.Stats1FontInPitColor,
              0xFF00000Fu);
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=clMenuBar\r\n").Config.Stats1FontInPitColor,
              0xFF00001Eu);
    EXPECT_EQ(LoadWith("Stats1FontInPitColor=clNone\r\n").Config.Stats1FontInPitColor, clNone);

    // The class view's colours take the same forms, a class a key.
    EXPECT_FALSE(LoadConfig(path).Config.ClassView);
    const TConfigLoad load = LoadWith("ClassView=1\r\n[ClassColors]\r\nLMP2=clRed\r\n"
                                      "GT3=$00FF00\r\nGT4=pink\r\n");
    EXPECT_TRUE(load.Config.ClassView);
    EXPECT_EQ(load.Config.ClassColors,
              (std::vector<std::pair<std::string, TColor>>{{"LMP2", clRed}, {"GT3", 0x00FF00}}));
    ASSERT_EQ(load.Errors.size(), 1u);
    EXPECT_EQ(load.Errors[0], "[ClassColors] GT4='pink' is not a colour; the class takes one of "
                              "the palette");
}

TEST_F(ConfigFile, BadPitColourIsReportedAndLoadingGoesOn) {
    for (const char* bad : {"", "pink"}) {
        const TConfigLoad load = LoadWith(std::string("Stats1FontInPitColor=") + bad +
                                          "\r\nMsgFontSize=20\r\nFolder=/f\r\n");
        ASSERT_EQ(load.Errors.size(), 1u) << bad;
        EXPECT_EQ(load.Errors[0], std::string("'") + bad + "' は整数ではありません");
        EXPECT_EQ(load.Config.Stats1FontInPitColor, clRed);
        EXPECT_EQ(load.Config.MsgFontSize, 20) << "keys after the bad one still load";
        EXPECT_EQ(load.Config.Folder, "/f");
    }
}

TEST_F(ConfigFile, SaveWritesThirteenKeysInOrderAndKeepsTheRest) {
    SaveConfig(path, {1, 2, 538, 261}, {3, 4, 159, 476}, {5, 6, 569, 77}, "");
    EXPECT_EQ(Slurp(path), "[Config]\nWindowX=1\nWindowY=2\nWindowW=538\nWindowH=261\n"
                           "Stats1X=3\nStats1Y=4\nStats1W=159\nStats1H=476\n"
                           "MsgX=5\nMsgY=6\nMsgW=569\nMsgH=77\nLogo=\n");

    std::ofstream(path, std::ios::binary)
        << "; operator notes\r\n[Config]\r\nFolder=/live\r\nWindowX=9\r\n"
           "Stats1FontSize=20\r\n\r\n[DriverNameAlias]\r\nJon Doe=DOE\r\n";
    SaveConfig(path, {-7, 2, 538, 261}, {3, 4, 159, 476}, {5, 6, 569, 77}, "/logo.bmp");
    const std::string saved = Slurp(path);
    const std::string head = "; operator notes\r\n[Config]\r\nFolder=/live\r\nWindowX=-7\r\n";
    EXPECT_EQ(saved.substr(0, head.size()), head);
    EXPECT_NE(saved.find("Stats1FontSize=20\r\nWindowY=2\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Logo=/logo.bmp\r\n\r\n[DriverNameAlias]\r\nJon Doe=DOE\r\n"),
              std::string::npos)
        << saved;
    const TConfigLoad back = LoadConfig(path);
    EXPECT_EQ(back.Config.WindowX, -7);
    EXPECT_EQ(back.Config.Stats1H, 476);
    EXPECT_EQ(back.Config.Stats1FontSize, 20);
    EXPECT_EQ(back.Logo, "/logo.bmp");

#ifndef _WIN32
    // Whoever reads a token may control the show: the file is its owner's alone from then on.
    std::filesystem::permissions(path, std::filesystem::perms(0644));
    SaveConfigValues(path, {{"WebPort", "8787"}});
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0644));
    SaveConfigValues(path, {{"WebToken", "0123456789abcdef0123456789abcdef"}});
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
    SaveConfig(path, {-7, 2, 538, 261}, {3, 4, 159, 476}, {5, 6, 569, 77}, "/logo.bmp");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
#endif
}

TEST_F(ConfigFile, FailedSaveNamesThePathAndWritesWhatCanBeStored) {
    const std::filesystem::path blocker = folder / "plain";
    std::ofstream(blocker, std::ios::binary) << "x";
    const std::string bad = (blocker / "kestrune.ini").string();
    try {
        SaveConfig(bad, {}, {}, {}, "");
        FAIL() << "writing below a regular file must fail";
    } catch (const std::runtime_error& e) {
        const std::string lead = bad + " に書き込めません: ";
        EXPECT_EQ(std::string(e.what()).substr(0, lead.size()), lead);
#ifdef _WIN32
        const std::string systemSays = "(3)"; // ERROR_PATH_NOT_FOUND, in the user's language
#else
        const std::string systemSays = std::strerror(ENOTDIR);
#endif
        EXPECT_NE(std::string(e.what()).find(systemSays), std::string::npos) << e.what();
    }

    std::ofstream(path, std::ios::binary) << "[Config]\nWindowX=1\n";
    EXPECT_THROW(SaveConfig(path, {2, 2, 2, 2}, {}, {}, "bad\nlogo"), std::runtime_error);
    const TConfigLoad after = LoadConfig(path);
    EXPECT_EQ(after.Config.WindowX, 2) << "the keys that can be stored are written";
    EXPECT_EQ(after.Logo, "");
}

TEST_F(ConfigFile, AFileThatCannotBeReadOrIsReadOnlyIsReportedAndLeftAsItIs) {
    auto saveError = [&] {
        try {
            SaveConfig(path, {1, 1, 1, 1}, {}, {}, "");
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("saved");
    };
    // Too large to be a configuration file: said at start, with the reason, and not replaced.
    std::ofstream(path, std::ios::binary) << "[Config]\nWindowX=5\n";
    std::filesystem::resize_file(path, 50u * 1024u * 1024u);
    const TConfigLoad big = LoadConfig(path);
    ASSERT_EQ(big.Errors.size(), 1u);
    EXPECT_NE(big.Errors[0].find("too large"), std::string::npos) << big.Errors[0];
    EXPECT_EQ(big.Config.WindowX, Unset);
    EXPECT_NE(saveError().find("too large"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path), 50u * 1024u * 1024u);

    // Read-only by its owner's choice, even for root.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "[Config]\nWindowX=5\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    EXPECT_TRUE(LoadConfig(path).Errors.empty());
    EXPECT_EQ(LoadConfig(path).Config.WindowX, 5);
    EXPECT_NE(saveError().find("read-only"), std::string::npos);
    EXPECT_EQ(Slurp(path), "[Config]\nWindowX=5\n");
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                  std::filesystem::perms::others_read);
}

TEST_F(ConfigFile, FileNameBesideTheProgramOrInTheUserFolder) {
    EXPECT_EQ(ConfigFileNameFor((folder / "kestrune").string()),
              (folder / "kestrune.ini").string());
    EXPECT_EQ(ConfigFileNameFor((folder / "kestrune.exe").string()),
              (folder / "kestrune.ini").string());
    const std::string missingFolder = (folder / "nowhere" / "kestrune").string();
#ifdef _WIN32
    EXPECT_EQ(ConfigFileNameFor(missingFolder), UserConfigFile());
    EXPECT_TRUE(UserConfigFile().ends_with("\\Kestrune\\kestrune.ini")) << UserConfigFile();
    const char* programFiles = std::getenv("ProgramFiles");
    ASSERT_NE(programFiles, nullptr);
    EXPECT_EQ(ConfigFileNameFor(std::string(programFiles) + "\\Kestrune\\kestrune.exe"),
              UserConfigFile())
        << "an installed program keeps its settings in the user's folder, even for an "
           "administrator";
#else
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    EXPECT_EQ(ConfigFileNameFor(missingFolder), (folder / "kestrune" / "kestrune.ini").string());
    EXPECT_EQ(ConfigFileNameFor("/usr/bin/kestrune-not-installed"),
              (folder / "kestrune" / "kestrune.ini").string())
        << "an installed program keeps its settings in the user's folder, even for root";
    if (oldXdg) {
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
#endif
}

TEST(IntValues, DecimalAndHexForms) {
    EXPECT_EQ(ParseIntValue("0X1f"), 31);
    EXPECT_EQ(ParseIntValue("$FF00000F"), static_cast<int32_t>(0xFF00000Fu));
    EXPECT_EQ(ParseIntValue("-$10"), -16);
    for (const char* bad : {"", "$", "0x", "$1FFFFFFFF", "0xG", "1 2", "twelve"}) {
        EXPECT_FALSE(ParseIntValue(bad).has_value()) << bad;
    }
}

TEST(ColorNames, EveryTableNameAndRgb) {
    EXPECT_EQ(ColorFromName("clMoneyGreen"), 0xC0DCC0u);
    EXPECT_EQ(ColorFromName("CLSKYBLUE"), 0xF0CAA6u);
    EXPECT_EQ(ColorFromName("clScrollBar"), 0xFF000000u);
    EXPECT_EQ(ColorFromName("clHotLight"), 0xFF00001Au) << "number 25 has no name";
    EXPECT_EQ(ColorFromName("clDefault"), clDefault);
    EXPECT_FALSE(ColorFromName("clPink"));
    EXPECT_EQ(ColorToRgb(0x00FFFFu), 0x00FFFFu);
    EXPECT_EQ(ColorToRgb(0x0200FF00u), 0x00FF00u);
    EXPECT_EQ(ColorToRgb(0xFF0000FFu), 0x000000u) << "an unknown system colour is black";
}

} // namespace
