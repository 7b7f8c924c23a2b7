#include "core/app/broadcast.h"
#include "core/app/config.h"
#include "core/app/reload.h"
#include "core/live/livefile.h"
#include "core/live/names.h"
#include "core/live/players.h"
#include "core/live/sessionlogs.h"
#include "core/messages/raceevent.h"
#include "ui/app/mainform.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtplacement.h"
#include "ui/support/qtsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

#ifndef _WIN32
#include "tests/support/fusemount.h" // FUSE is Linux's
#endif
#include "tests/support/carslot.h"
#include "tests/support/consoledesk.h"
#include "tests/support/testfiles.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

/// Processes events until `done` holds or the generous deadline passes.
template <typename Predicate> bool WaitFor(Predicate done, int milliseconds = 60000) {
    return QTest::qWaitFor(done, milliseconds);
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directories(folder / "live"); }
    // As the program ends, both windows still shown: the ticker, the tower, the console.
    void TearDown() override { Desk.reset(); }
    void Start(const std::string& config) {
        std::ofstream(ini, std::ios::binary) << config; // the bytes as given, CR LF included
        Desk = std::make_unique<TConsoleDesk>(ini, Live);
        main = Desk->Main.get();
        stats = Desk->Stats.get();
        msg = Desk->Msg.get();
        Desk->Show();
    }
    /// Ends the console alone (its watcher stops), the windows staying.
    void EndConsole() {
        Desk->Main.reset();
        main = nullptr;
    }
    std::string StartWithLiveFolder() {
        Start("[Config]\r\nFolder=" + (folder / "live").string() + "\r\n");
        return (folder / "live").string();
    }
    template <typename T> T* Find(const char* name) { return main->findChild<T*>(name); }
    QString LogText() { return Desk->LogText(); }
    void Wheel(QWidget* over, QPoint angle = QPoint(0, -120)) {
        const QPoint local = over->rect().center();
        QWheelEvent event(local, over->mapToGlobal(local), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(over, &event);
    }

    /// Feeds a race into `written` and waits until the program, following `followed`, shows it.
    void FollowFeed(const std::string& followed, const std::string& written) {
        QProcess feed;
        feed.start(KESTRUNE_FEED_BINARY,
                   {"--folder", QString::fromStdString(written), "--session", "race", "--cars", "8",
                    "--laps", "3", "--speed", "60", "--rate", "10", "--seed", "11", "--quiet"});
        ASSERT_TRUE(feed.waitForStarted());
        const bool shown = WaitFor([&] {
            return !Find<QLabel>("LabelFileName")->text().isEmpty() &&
                   Find<QLabel>("LabelSession")->text() == "Race" && Live.EventQueue.Count() > 0;
        });
        feed.terminate();
        feed.waitForFinished(10000);
        EXPECT_TRUE(shown) << followed << " log: " << LogText().toStdString();
        EXPECT_TRUE(Find<QLabel>("LabelFileName")->text().endsWith("_live.txt"));
        EXPECT_FALSE(Find<QLabel>("LabelPhase")->text().isEmpty());
        EXPECT_GT(Live.Players->CountSeen(), 0);
    }
    // First, so that it goes after the windows that watch it.
    const TTempFolder Temp{"kestrune-main"};
    const std::filesystem::path& folder = Temp.Path();
    const std::string ini = Temp.File("kestrune.ini");
    TBroadcast Live;
    std::unique_ptr<TConsoleDesk> Desk;
    TFormMain* main = nullptr;
    TFormStats1* stats = nullptr;
    TFormMsg1* msg = nullptr;
};

TEST_F(MainWindow, LayoutCaptionsAndStartUp) {
    Start("");
    EXPECT_EQ(main->windowTitle(), "Kestrune - r12_08");
    auto* tabs = main->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    QStringList names;
    for (int i = 0; i < tabs->count(); ++i) {
        names << tabs->tabText(i);
    }
    EXPECT_EQ(names, QStringList({"Info", "Data", "Logs", "Message", "IgnoreList", "Web"}));
    EXPECT_EQ(tabs->currentIndex(), 0);
    const std::pair<const char*, const char*> buttons[] = {
        {"Button2", "Live Window"},   {"Button3", "Message Window"}, {"Button7", "Logo..."},
        {"Button13", "Reload Alias"}, {"Button8", "Best Lap"},       {"Button12", "Avg Lap"},
        {"Button9", "Pit Stops"},     {"Button10", "GapL"},          {"Button11", "GapI"},
        {"Button4", "Bestlap"},       {"Button5", "Avglap"},         {"Button6", "Gap"},
        {"Button14", "Apply"},        {"ButtonFolder", "Folder..."}};
    for (const auto& [name, caption] : buttons) {
        auto* button = Find<QPushButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption) << name;
    }
    EXPECT_EQ(Find<QPushButton>("Button10")->geometry(), QRect(252, 20, 75, 25));
    EXPECT_EQ(Find<QGroupBox>("GroupBox1")->title(), "Scroll Message");
    EXPECT_EQ(Find<QLabel>("LabelSample")->text(), QString::fromUtf8("↑日本語不可"));
    EXPECT_EQ(Find<QComboBox>("ComboBox1")->placeholderText(), "Session Log");
    EXPECT_TRUE(stats->isVisible());
    EXPECT_TRUE(msg->isVisible());
    EXPECT_TRUE(WaitFor([&] {
        return LogText().contains(QString::fromUtf8("ログファイルの監視に失敗しました"));
    })) << "no folder configured: the watcher ends and says so";
}

TEST_F(MainWindow, BadColourIsShownAndStartUpGoesOn) {
    Start("[Config]\r\nStats1FontInPitColor=pink\r\nStats1NameLength=7\r\n");
    EXPECT_TRUE(LogText().contains(QString::fromUtf8("'pink' は整数ではありません")));
    EXPECT_EQ(main->Config().Stats1NameLength, 7);
}

TEST_F(MainWindow, ButtonsToggleTheBroadcastWindows) {
    Start("");
    Find<QPushButton>("Button2")->click();
    EXPECT_FALSE(stats->isVisible());
    Find<QPushButton>("Button2")->click();
    EXPECT_TRUE(stats->isVisible());
    Find<QPushButton>("Button3")->click();
    EXPECT_FALSE(msg->isVisible());
}

/// Counts the hides and shows a window goes through.
class TVisibilityCounter : public QObject {
  public:
    explicit TVisibilityCounter(QWidget* window) { window->installEventFilter(this); }
    int Changes = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Changes += event->type() == QEvent::Hide || event->type() == QEvent::Show;
        return false;
    }
};

TEST_F(MainWindow, UnsetBoundsPlaceTheBroadcastWindowsBesideTheConsole) {
    Start("");
    EXPECT_FALSE(main->testAttribute(Qt::WA_Moved)) << "the window manager places the console";
    // No window manager here: all three start at the same corner, until the first look.
    const QRect console = main->frameGeometry();
    EXPECT_TRUE(WaitFor([&] { return !stats->frameGeometry().intersects(console); }));
    EXPECT_FALSE(stats->frameGeometry().intersects(console)) << "the tower covers the console";
    EXPECT_FALSE(msg->frameGeometry().intersects(console)) << "the ticker covers the console";
    EXPECT_FALSE(msg->frameGeometry().intersects(stats->frameGeometry()));
}

TEST_F(MainWindow, AbsurdBoundsAreFittedToTheScreens) {
    Start("[Config]\r\nStats1X=-50000\r\nStats1Y=90000\r\nStats1W=32000\r\nStats1H=32000\r\n"
          "MsgW=32000\r\nMsgH=32000\r\n");
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_LE(stats->width(), desktop.width());
    EXPECT_LE(stats->height(), desktop.height());
    EXPECT_TRUE(desktop.intersects(stats->frameGeometry())) << "moved where it can be found";
    EXPECT_EQ(stats->Bitmap().size(), stats->size()) << "the picture follows the fitted size";
    EXPECT_LE(msg->width(), desktop.width());
    EXPECT_LE(msg->height(), desktop.height());
    EXPECT_EQ(msg->StatusBitmap().size(), msg->size());
}

TEST_F(MainWindow, DeactivationRaisesTheBroadcastWindowsWithoutHidingThem) {
    Start("[Config]\r\nStats1X=40\r\nStats1Y=50\r\nMsgX=300\r\nMsgY=400\r\n");
    const QRect statsAt = stats->geometry();
    TVisibilityCounter statsCount(stats);
    TVisibilityCounter msgCount(msg);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    QApplication::processEvents();
    for (QWidget* window : {static_cast<QWidget*>(stats), static_cast<QWidget*>(msg)}) {
        ASSERT_NE(window->windowHandle(), nullptr);
        EXPECT_TRUE(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(statsCount.Changes + msgCount.Changes, 0) << "no hide and show on air";
    EXPECT_EQ(stats->geometry(), statsAt);
}

TEST_F(MainWindow, WheelOverARankingButtonClicksIt) {
    Start("");
    Wheel(Find<QPushButton>("Button10"), QPoint(120, 0));
    EXPECT_FALSE(msg->RankingMode()) << "a sideways swipe is no wheel step";
    Wheel(Find<QPushButton>("Button10"));
    EXPECT_TRUE(msg->RankingMode());
    ASSERT_GE(Live.RankingList.Count(), 1);
    EXPECT_EQ(Live.RankingList.Items(0).Title, "Gap");
    Wheel(Find<QPushButton>("Button10"));
    EXPECT_FALSE(msg->RankingMode()) << "a second press ends the strip";

    auto* group = Find<QGroupBox>("GroupBox1");
    const QPoint empty(415, 10);
    QWheelEvent event(empty, group->mapToGlobal(empty), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(group, &event);
    EXPECT_FALSE(msg->RankingMode()) << "the group's empty space does nothing";

    main->findChild<QTabWidget*>()->setCurrentIndex(1);
    Wheel(Find<QPushButton>("Button4"));
    EXPECT_FALSE(msg->RankingMode());
    EXPECT_TRUE(Find<QPlainTextEdit>("MemoData")->toPlainText().isEmpty())
        << "the wheel only acts on Info";

    auto* memo = Find<QPlainTextEdit>("MemoData");
    QStringList lines;
    for (int i = 0; i < 500; ++i) {
        lines << QString::number(i);
    }
    memo->setPlainText(lines.join('\n'));
    QApplication::processEvents();
    Wheel(memo->viewport());
    EXPECT_GT(memo->verticalScrollBar()->value(), 0)
        << "a report can still be scrolled with the wheel";
}

TEST_F(MainWindow, ApplyReportsAndSessionLogs) {
    Start("");
    auto* memo = Find<QPlainTextEdit>("MemoIgnoreList");
    memo->setPlainText("a\n\nb");
    Find<QPushButton>("Button14")->click();
    EXPECT_EQ(memo->toPlainText(), "a\nb");
    EXPECT_TRUE(Live.Names.IsIgnored("A"));

    TSlot slot;
    slot.Driver = "Tom Rider";
    slot.Position = 1;
    slot.BestLap = 83.456f;
    Live.Players->Merge({slot});
    Find<QPushButton>("Button4")->click();
    const QString report = Find<QPlainTextEdit>("MemoData")->toPlainText();
    EXPECT_TRUE(report.startsWith("[Bestlap]\n 1 [01]Tom Rider")) << report.toStdString();

    const int before = Live.SessionLogs.Count();
    Live.SessionLogs.AddSession(*Live.Players);
    auto* combo = Find<QComboBox>("ComboBox1");
    main->ComboBox1DropDown();
    main->ComboBox1DropDown();
    EXPECT_EQ(combo->count(), before + 1) << "each entry listed once";
    main->ComboBox1Select(before);
    EXPECT_TRUE(Find<QPlainTextEdit>("MemoData")->toPlainText().contains("Session Time - "));
}

TEST_F(MainWindow, AReadingsResultChangesTheRealWindows) {
    StartWithLiveFolder();
    WaitFor([&] { return main->ReloadsHandled() > 0; }, 5000); // the first look at the folder
    msg->SetNotice("ON AIR");
    msg->SetRankingMode(true);
    const QImage statusBefore = msg->StatusBitmap().copy();
    Live.Players->Merge({CarSlot("Tom Rider", 1)});
    const int eventsBefore = Live.EventQueue.Count();
    const int readsBefore = main->ReloadsHandled();

    TReadingResult result;
    result.SetLabel(TLabel::Session, "Race");
    result.SetLabel(TLabel::Flags, "FullCourseYellow");
    result.Log("a line of the reading");
    result.Event("FASTEST LAP", "Tom Rider", 5);
    result.Merged = true;
    result.RefreshStatus = true;
    result.StopRanking = true;
    result.ReadNow = true;
    main->ApplyReading(result);

    EXPECT_EQ(Find<QLabel>("LabelSession")->text(), "Race");
    EXPECT_EQ(Find<QLabel>("LabelFlags")->text(), "FullCourseYellow");
    EXPECT_TRUE(LogText().endsWith("a line of the reading"));
    EXPECT_EQ(Live.EventQueue.Count(), eventsBefore + 1);
    EXPECT_FALSE(msg->RankingMode()) << "the strip stopped";
    EXPECT_NE(msg->StatusBitmap(), statusBefore) << "the status line drawn with the notice";
    EXPECT_TRUE(WaitFor([&] { return stats->Rows.size() == 1; })) << "the tower redrawn";
    EXPECT_TRUE(WaitFor([&] { return main->ReloadsHandled() > readsBefore; })) << "read now";
}

TEST_F(MainWindow, TheClassViewBoxTurnsTheClassViewOnAtOnceAndSavesIt) {
    Start("[ClassColors]\r\nGT3=clYellow\r\n");
    Live.Players->Merge({CarSlot("Proto", 1, {.VehicleClass = "LMP2"}),
                         CarSlot("Gran", 2, {.VehicleClass = "GT3"})});
    stats->show();
    Find<QCheckBox>("CheckClassView")->click();
    EXPECT_TRUE(Live.ClassView);
    ASSERT_EQ(stats->ClassRows.size(), 2u) << "the tower redrawn in the class view";
    EXPECT_EQ(stats->ClassRows[1].Colour, clYellow);
    EXPECT_TRUE(LoadConfig(ini).Config.ClassView);
    main->Button10Click();
    ASSERT_GE(Live.RankingList.Count(), 3);
    EXPECT_EQ(Live.RankingList.Items(1).Title, "LMP2") << "the strip ranks within each class";
    Find<QCheckBox>("CheckClassView")->click();
    EXPECT_FALSE(LoadConfig(ini).Config.ClassView);
    EXPECT_TRUE(stats->ClassRows.empty());
}

TEST_F(MainWindow, ClosingSavesBoundsAndKeepsForeignKeys) {
    Start("; notes\r\n[Config]\r\nFolder=/nowhere\r\nMyKey=1\r\n[DriverNameAlias]\r\nJon=J\r\n");
    main->move(40, 50);
    main->SaveBounds();
    const std::string saved = Slurp(ini);
    EXPECT_NE(saved.find("; notes\r\n[Config]\r\nFolder=/nowhere\r\nMyKey=1\r\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("WindowX="), std::string::npos);
    EXPECT_NE(saved.find("MsgH=77"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Stats1W=159"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[DriverNameAlias]\r\nJon=J\r\n"), std::string::npos);
}

TEST_F(MainWindow, TheLogKeepsItsLastFiveThousandLines) {
    Start("");
    for (int i = 1; i <= 5100; ++i) {
        main->AddLog("line " + std::to_string(i));
    }
    EXPECT_EQ(main->LogLineCount(), 5000);
    EXPECT_TRUE(LogText().startsWith("line 101\n"));
    EXPECT_TRUE(LogText().endsWith("\nline 5100"));
}

TEST_F(MainWindow, FollowsAFolderFedByTheSimulator) {
    FollowFeed(StartWithLiveFolder(), (folder / "live").string());
}

TEST_F(MainWindow, AFirstStartChoosesItsFolderOnTheInfoTab) {
    Start("");
    EXPECT_EQ(Find<QLabel>("LabelFileName")->text(), "No live folder: choose it with Folder...");
    const std::string live = (folder / "live").string();
    main->FollowFolder(live); // what the button does with the dialog's answer
    FollowFeed(live, live);
    EXPECT_EQ(LoadConfig(ini).Config.Folder, live) << "kept for the next start";

    // Another folder later: the race so far is archived, as at a switch of file.
    const int sessions = Live.SessionLogs.Count();
    std::filesystem::create_directories(folder / "other");
    main->FollowFolder((folder / "other").string());
    EXPECT_EQ(Live.SessionLogs.Count(), sessions + 1);
    EXPECT_EQ(Live.Players->Count(), 0);
    EXPECT_TRUE(Find<QLabel>("LabelFileName")->text().isEmpty());
}

TEST_F(MainWindow, WindowsOffTheScreensAfterADisplayChangeAreFittedBack) {
    Start("");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // Where a smaller resolution leaves them: all but a sliver beyond the screen's edge.
    stats->move(screen.right() - 20, screen.top() + 10);
    msg->move(screen.left() + 10, screen.bottom() - 5);
    emit QGuiApplication::primaryScreen()->geometryChanged(screen);
    EXPECT_TRUE(WaitFor([&] {
        return screen.contains(stats->frameGeometry()) && screen.contains(msg->frameGeometry());
    })) << "tower at "
        << stats->x() << ", ticker at " << msg->y();
    EXPECT_TRUE(LogText().contains("The standings window was off the screens"));
    const TWindowBounds saved = BoundsOf(stats);
    EXPECT_TRUE(screen.contains(QRect(saved.Left, saved.Top, saved.Width, saved.Height)))
        << "the bounds saved on exit are the fitted ones";
}

TEST_F(MainWindow, ALiveFolderDeletedAndRecreatedIsFollowedAgain) {
    if (RunningUnderWine()) {
        GTEST_SKIP() << "wine keeps a removed folder while the watcher's handle is open on it";
    }
    const std::string live = StartWithLiveFolder();
    std::filesystem::remove_all(live);
    EXPECT_TRUE(WaitFor(
        [&] { return LogText().contains(QString::fromUtf8("ログファイルの監視に失敗しました")); }));
    std::filesystem::create_directory(live);
    EXPECT_TRUE(WaitFor([&] {
        return LogText().contains("Following " + QString::fromStdString(live) + " again");
    }));
    FollowFeed(live, live);
}

#ifndef _WIN32
TEST_F(MainWindow, FollowsASharedFolderWrittenByAnotherMachine) {
    if (!TFuseMount::Available()) {
        GTEST_SKIP() << "no /dev/fuse on this machine";
    }
    TFuseMount share(folder / "simulator-pc", folder / "share");
    ASSERT_TRUE(share.Mounted) << "bindfs could not mount (scripts/setup installs it)";
    Start("[Config]\r\nFolder=" + share.MountPoint.string() + "\r\n");
    EXPECT_TRUE(WaitFor([&] { return LogText().contains("by looking at it every 200 ms"); }))
        << LogText().toStdString();
    FollowFeed(share.MountPoint.string(), share.Source.string());
    EndConsole(); // stop the watcher before the mount goes
}

TEST_F(MainWindow, AShareThatStopsAnsweringStopsOnlyTheReadingNeverTheWindows) {
    if (!TFuseMount::Available()) {
        GTEST_SKIP() << "no /dev/fuse on this machine";
    }
    TFuseMount share(folder / "simulator-pc", folder / "share");
    ASSERT_TRUE(share.Mounted) << "bindfs could not mount (scripts/setup installs it)";
    Start("[Config]\r\nFolder=" + share.MountPoint.string() + "\r\n");
    QProcess feed;
    feed.start(KESTRUNE_FEED_BINARY,
               {"--folder", QString::fromStdString(share.Source.string()), "--session", "race",
                "--cars", "8", "--laps", "30", "--speed", "20", "--rate", "10", "--quiet"});
    ASSERT_TRUE(feed.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return Live.Players->CountSeen() > 0; })) << LogText().toStdString();

    // The server goes away. Should a read on the window thread hang, this lets the share go
    // on after a minute, so that the test fails rather than hangs.
    share.Stall(true);
    std::atomic<bool> released = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 600 && !released; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        share.Stall(false);
    });
    // A reading asked for now meets the stopped server, as one under way when it stopped would.
    main->PostReload();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(50);
    const int reloads = main->ReloadsHandled();
    const bool windowsLived = WaitFor([&] { return ticks >= 40; }, 60000);
    // One reading may have been on its way already.
    const bool readingStood = main->ReloadsHandled() <= reloads + 2;
    released = true;
    share.Stall(false);
    watchdog.join();
    EXPECT_TRUE(windowsLived && readingStood)
        << "the window thread waited for the share: " << ticks << " ticks, "
        << main->ReloadsHandled() - reloads << " readings";

    // Once the server answers again, the feed is followed on.
    const int laps = Live.Players->Item(0).Laps;
    EXPECT_TRUE(WaitFor([&] { return Live.Players->Item(0).Laps > laps; }))
        << LogText().toStdString();
    feed.terminate();
    feed.waitForFinished(10000);
    EndConsole(); // stop the watcher before the mount goes
}
#endif

} // namespace
