#include "core/app/config.h"
#include "core/live/names.h"
#include "core/platform/profile.h"

#include <gtest/gtest.h>

#include "tests/support/carslot.h"

#include "tests/support/testfiles.h"

#include <fstream>

namespace {

class Names : public ::testing::Test {
  protected:
    /// Writes `text` to a fresh ini file of this case and returns its path.
    std::string WriteIni(const std::string& text) {
        const std::string path = Folder.File("kestrune.ini");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    const TTempFolder Folder{"kestrune-names"};
    TNameLists Lists;
};

TPlayer Record(const std::string& driver, const std::string& alias) {
    TPlayer player;
    player.Driver = driver;
    player.Alias = alias;
    return player;
}

TSlot Slot(const std::string& driver, int32_t position) {
    return CarSlot(driver, position, {.FinishStatus = ""});
}

} // namespace

TEST_F(Names, DisplayNameExamples) {
    struct Example {
        const char* driver;
        const char* alias;
        int length;
        const char* shown;
    };
    const Example examples[] = {
        {"Tom Rider", "", 5, "T.RID"},
        {"Bob Lee", "", 5, "B.LEE"},
        {"Ramirez", "", 5, "RAMIR"},
        {"Al X", "", 5, "AL X"},
        {"A Smith", "", 5, "A SMI"},
        {"any", "rocket", 5, "ROCKE"},
        {"any", "Speedy", 5, "SPEED"},
        {"Gustav Brenner", "", 10, "G.BRENNER"},
        {"Tom Rider", "", 10, "TOM RIDER"},
        {"Jo Ann Van Dyke", "", 20, "JO ANN VAN DYKE"},
        {"Jo Ann Van Dyke", "", 8, "J.ANN VA"},
        {"Tom Rider", "Al Bo Cy", 8, "AL BO CY"},
        // UTF-8 is cut before a character that does not fit whole, never inside it.
        {"José Ñúñez", "", 5, "J.Ñ"},
        {"Łukasz Żółwiński", "", 5, "Ł.Ż"},
        {"山田 太郎", "", 5, "山."},
        {"any", "Ñandú", 5, "ÑAND"},
        // Bytes that are not UTF-8 are cut where the length says.
        {"Jos\xE9 \xD1\xFA\xF1"
         "ez",
         "", 5, "J.\xD1\xFA\xF1"},
    };
    for (const Example& e : examples) {
        EXPECT_EQ(DisplayName(Record(e.driver, e.alias), e.length), e.shown)
            << e.driver << " / " << e.alias << " / " << e.length;
        if (*e.alias == '\0') {
            EXPECT_EQ(ShortenName(e.driver, e.length), e.shown);
        }
    }
    // A space at position 1 or 2 never shortens, only cuts.
    EXPECT_EQ(ShortenName(" Leading Space", 5), " LEAD");
    EXPECT_EQ(DisplayName(Record(" Leading Space", ""), 5), " LEAD");
    EXPECT_EQ(DisplayName(Record("Ab Cd", ""), 5), "AB CD") << "a name that fits stays whole";
    EXPECT_EQ(DisplayName(Record("tom rider", ""), 5), "T.RID");
    EXPECT_EQ(DisplayName(Record("Tom Rider", ""), 1), "T");
    EXPECT_EQ(ShortenName("NoSpaceAtAll", 5), "NOSPA");
}

TEST_F(Names, NameLengthZeroOrLessGivesEmptyNames) {
    EXPECT_EQ(ShortenName("Tom Rider", 0), "");
    EXPECT_EQ(ShortenName("Tom Rider", -3), "");
    EXPECT_EQ(DisplayName(Record("Tom Rider", "ROCKET"), 0), "");
    EXPECT_EQ(DisplayName(Record("Tom Rider", ""), 0), "");
    EXPECT_EQ(DisplayName(Record("Tom Rider", ""), 3), "T.R");
}

TEST_F(Names, NamesCannotReorderTheFiguresAfterThem) {
    const std::string override = "\u202E"
                                 "Evil"
                                 "\u202C";
    EXPECT_EQ(IsolatedName(override), "Evil") << "bidirectional controls are dropped";
    const std::string arabic = "\u0645\u062D\u0645\u062F"; // a name written right to left
    EXPECT_EQ(IsolatedName(arabic), "\u2068" + arabic + "\u2069");
    EXPECT_EQ(IsolatedName("\u2069" + arabic), "\u2068" + arabic + "\u2069")
        << "a closing isolate of the name's own cannot end the wrapping early";
    EXPECT_EQ(IsolatedName("J\xC3\xBCrgen"), "J\xC3\xBCrgen");
    TPlayer player;
    player.Driver = override + " Twin";
    EXPECT_EQ(DisplayName(player, 5), "E.TWI") << "the tower's cut spends no bytes on them";
    EXPECT_EQ(IsolatedName("J\xFCrgen \xE2\x80"), "J\xFCrgen \xE2\x80") << "not UTF-8: left alone";
}

TEST_F(Names, UpperCasingChangesOnlyAtoZ) {
    std::string every;
    for (int b = 0; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    const std::string upper = UpperAscii(every);
    ASSERT_EQ(upper.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const int expected = (b >= 'a' && b <= 'z') ? b - 32 : b;
        EXPECT_EQ(static_cast<unsigned char>(upper[static_cast<std::size_t>(b)]), expected) << b;
    }
    // Bytes of a multi-byte character stay, even beside letters that change.
    EXPECT_EQ(ShortenName("\xC3\xA9tienne", 4), "\xC3\xA9TI");
}

TEST_F(Names, AliasLookupIgnoresCase) {
    Lists.SetAliases({"Jon Doe=DOE", "JON DOE=second", "Sam=a=b", "Empty="});
    EXPECT_EQ(Lists.AliasOf("jon doe"), "DOE");
    EXPECT_EQ(Lists.AliasOf("Jon Doe"), "DOE");
    EXPECT_EQ(Lists.AliasOf("Jon"), "");
    EXPECT_EQ(Lists.AliasOf("Jon Doe "), "");
    EXPECT_EQ(Lists.AliasOf("sam"), "a=b");
    EXPECT_EQ(Lists.AliasOf("Empty"), "");
    // An empty alias falls back to the shortened driver name.
    EXPECT_EQ(DisplayName(Record("Empty Name", Lists.AliasOf("Empty Name")), 5), "E.NAM");
}

TEST_F(Names, IgnoreListMatchesWholeLinesWithoutCase) {
    EXPECT_FALSE(Lists.IsIgnored("Jon Doe"));
    EXPECT_FALSE(Lists.IgnoreList().has_value());

    std::vector<std::string> memo{"JON DOE"};
    Lists.ApplyIgnoreList(memo);
    EXPECT_TRUE(Lists.IsIgnored("Jon Doe"));
    EXPECT_FALSE(Lists.IsIgnored("Jon"));

    memo = {"JON DOE "};
    Lists.ApplyIgnoreList(memo);
    EXPECT_FALSE(Lists.IsIgnored("Jon Doe"));
    EXPECT_TRUE(Lists.IsIgnored("jon doe "));
}

TEST_F(Names, ApplyDropsEmptyLines) {
    std::vector<std::string> memo{"", "", ""};
    Lists.ApplyIgnoreList(memo);
    EXPECT_TRUE(memo.empty());
    EXPECT_FALSE(Lists.IgnoreList().has_value());
    EXPECT_FALSE(Lists.IsIgnored(""));

    memo = {"a", "", "b", "  "};
    Lists.ApplyIgnoreList(memo);
    EXPECT_EQ(memo, (std::vector<std::string>{"a", "b", "  "}));
    ASSERT_TRUE(Lists.IgnoreList().has_value());
    EXPECT_EQ(*Lists.IgnoreList(), memo);
    EXPECT_TRUE(Lists.IsIgnored("A"));
    EXPECT_TRUE(Lists.IsIgnored("b"));
    EXPECT_TRUE(Lists.IsIgnored("  "));
    EXPECT_FALSE(Lists.IsIgnored(""));

    memo = {""};
    Lists.ApplyIgnoreList(memo);
    EXPECT_FALSE(Lists.IsIgnored("a"));
}

TEST_F(Names, LoadAliasListFromFile) {
    const std::string path = WriteIni("[Config]\r\nFolder=x\r\n"
                                      "[DriverNameAlias]\r\nJon Doe=DOE\r\nAmy Fox=\r\n"
                                      "Max Power=The Max\r\n[Other]\r\nBob=BOB\r\n");
    Lists.LoadAliases(path);
    EXPECT_EQ(Lists.AliasList(),
              (std::vector<std::string>{"Jon Doe=DOE", "Amy Fox=", "Max Power=The Max"}));
    EXPECT_EQ(Lists.AliasOf("jon doe"), "DOE");
    EXPECT_EQ(Lists.AliasOf("MAX POWER"), "The Max");
    EXPECT_EQ(Lists.AliasOf("Bob"), "");

    // A missing file empties a list that was filled before.
    Lists.LoadAliases(Folder.File("missing.ini"));
    EXPECT_TRUE(Lists.AliasList().empty());
    EXPECT_EQ(Lists.AliasOf("Jon Doe"), "");
}

TEST_F(Names, ThousandsOfAliasesInALargeFileLoadInOnePass) {
    // 3000 aliases with long values (15 MB): read key by key this took minutes. The key list
    // still holds only the names that fit its buffer.
    std::string text = "[DriverNameAlias]\n";
    const std::string padding(5000, 'x');
    for (int i = 0; i < 3000; ++i) {
        text += "Driver " + std::to_string(i) + "=D" + std::to_string(i) + padding + "\n";
    }
    const std::string path = WriteIni(text);
    EXPECT_EQ(Lists.LoadAliases(path), "");
    const std::vector<std::string> keys = ProfileKeys(text, "DriverNameAlias");
    ASSERT_EQ(Lists.AliasList().size(), keys.size());
    ASSERT_GT(keys.size(), 1000u);
    const std::string& last = Lists.AliasList().back();
    EXPECT_EQ(last.substr(0, last.find('=')), keys.back());
    EXPECT_EQ(Lists.AliasOf(keys.back()).size(), MaxProfileValue);
}

TEST_F(Names, ReloadAliasesRenewsExistingRecords) {
    TPlayers players;
    std::vector<std::string> memo{"ignored one"};
    Lists.ApplyIgnoreList(memo);
    players.Merge({Slot("Jon Doe", 1), Slot("Amy Fox", 2), Slot("Ignored One", 3)},
                  Lists.MergeRules());
    ASSERT_EQ(players.Count(), 2);
    EXPECT_EQ(players.Item(0).Alias, "");
    EXPECT_EQ(DisplayName(players.Item(0), 5), "J.DOE");

    // Editing the file alone changes nothing until the aliases are reloaded.
    const std::string path = WriteIni("[DriverNameAlias]\r\njon doe=Doe\r\nAmy Fox=FOXY\r\n");
    EXPECT_EQ(players.Item(0).Alias, "");
    Lists.ReloadAliases(path, players);
    EXPECT_EQ(players.Item(0).Alias, "Doe");
    EXPECT_EQ(players.Item(1).Alias, "FOXY");
    EXPECT_EQ(DisplayName(players.Item(0), 5), "DOE");

    // A record created after the reload takes the new alias.
    WriteIni("[DriverNameAlias]\r\nAmy Fox=FOXY\r\nNew Comer=NEWBY\r\n");
    Lists.ReloadAliases(path, players);
    EXPECT_EQ(players.Item(0).Alias, "");
    EXPECT_EQ(players.Item(1).Alias, "FOXY");
    players.Merge({Slot("New Comer", 1)}, Lists.MergeRules());
    ASSERT_EQ(players.Count(), 3);
    EXPECT_EQ(players.Item(2).Alias, "NEWBY");
    // The absent record keeps what the reload gave it.
    EXPECT_EQ(players.Item(1).Alias, "FOXY");
}
