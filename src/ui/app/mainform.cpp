#include "ui/app/mainform.h"

#include "core/app/config.h"
#include "core/live/livefile.h"
#include "core/live/livefolder.h"
#include "core/live/livereader.h"
#include "core/live/names.h"
#include "core/platform/filechk.h"
#include "core/platform/utf8path.h"
#include "core/web/hostcheck.h"
#include "core/web/webaccess.h"
#include "ui/app/consolecontrol.h"
#include "ui/app/folderreadingevent.h"
#include "ui/messages/msg1.h"
#include "ui/standings/stats1.h"
#include "ui/support/qtplacement.h"
#include "ui/support/qtsupport.h"
#include "ui/web/webservice.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <cstdio>
#include <filesystem>
#include <utility>

namespace {

constexpr int DesignedWidth = 538;
constexpr int DesignedHeight = 261;
/// Shown on the Info tab, and logged, while no live folder is set.
constexpr const char* NoFolderLabel = "No live folder: choose it with Folder...";
constexpr const char* NoFolderText = "No live folder is set: click Folder... on the Info tab and "
                                     "choose the folder the simulator's plug-in writes to";

bool InsideScrollArea(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (qobject_cast<QAbstractScrollArea*>(w) != nullptr) {
            return true;
        }
    }
    return false;
}

} // namespace

TFormMain::TFormMain(std::string configPath, const TConfigLoad& load, TBroadcast& broadcast,
                     QWidget* parent)
    : QWidget(parent), ConfigFile(std::move(configPath)), KestruneConfig(load.Config),
      Live(broadcast) {
    setWindowTitle("Kestrune - r12_08");
    setFont(FontWithPixelHeight(ProportionalGothicFamilies(), 12));
    resize(DesignedWidth, DesignedHeight);
    Live.ClassView = KestruneConfig.ClassView;
    ConsoleModel =
        std::make_unique<TConsoleModel>(Live, *this, ConfigFile, KestruneConfig.Stats1NameLength);
    PageControl = new QTabWidget(this);
    PageControl->setGeometry(rect());
    BuildInfoTab();
    BuildDataTab();
    BuildLogsTab();
    BuildMessageTab();
    BuildIgnoreTab();
    BuildWebTab();
    PageControl->setCurrentIndex(0);
    ConsoleModel->Subscribe([this] { ShowModelState(); });
    qApp->installEventFilter(this);
    FormCreate(load);
}

TFormMain::~TFormMain() {
    // The server follows the console's model and data: it goes first.
    delete WebServer;
    StopWatcher();
    qApp->removeEventFilter(this);
}

void TFormMain::StopWatcher() {
    if (Watcher) {
        Watcher->Stop();
    }
    if (Reader) {
        Reader->Stop();
    }
}

void TFormMain::FormCreate(const TConfigLoad& load) {
    // A bad value is reported and start-up goes on with its default, so one typo never
    // disables the watcher or the other settings.
    for (const std::string& error : load.Errors) {
        ShowError(ToQString(error));
    }
    LogoFile = load.Logo;
    std::error_code missing;
    if (!LogoFile.empty() && std::filesystem::exists(Utf8Path(LogoFile), missing)) {
        const QString error = LoadLogo(LogoFile);
        if (!error.isEmpty()) {
            ShowError(error);
        }
    }
    // The designed 538 x 261 is an outer size too.
    const TKestruneConfig& c = KestruneConfig;
    PlaceWindow(this, c.WindowX, c.WindowY, c.WindowW != Unset ? c.WindowW : DesignedWidth,
                c.WindowH != Unset ? c.WindowH : DesignedHeight);

    StartWatcher();
    Live.Names.LoadAliases(ConfigFile);

    auto* quietCheck = new QTimer(this);
    connect(quietCheck, &QTimer::timeout, this, [this] {
        ApplyReading(CheckFeedQuiet(FollowedFile, std::chrono::steady_clock::now()));
    });
    quietCheck->start(1000);
}

void TFormMain::StartWatcher() {
    StopWatcher();
    Reader = std::make_shared<TLiveReader>(KestruneConfig.Folder, [this](TFolderReading reading) {
        QCoreApplication::postEvent(this, new TFolderReadingEvent(std::move(reading)));
    });
    Reader->Follow(FollowedFile.LiveFileName);
    Watcher = std::make_unique<TFileChecker>(
        KestruneConfig.Folder, IsLiveFileName,
        [this, reader = Reader](int message) {
            if (message == WmLiveFolderChanged) {
                reader->Request();
            } else {
                PostMessage(this, static_cast<QEvent::Type>(message));
            }
        },
        KestruneConfig.FolderPolling);
    Watcher->Start();
    const std::string following = FollowingText(KestruneConfig.Folder, Watcher->Way());
    if (!following.empty()) {
        AddLog(following);
    }
    FollowingSaid = Watcher->Way() != TFileChecker::TWay::Unknown && !following.empty();
    if (KestruneConfig.Folder.empty()) {
        // A first start: said where the operator looks first, with the way out.
        SetLabelText(TLabel::FileName, NoFolderLabel);
        AddLog(NoFolderText);
    }
}

void TFormMain::FollowFolder(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    try {
        SaveFolder(ConfigFile, folder);
    } catch (const std::exception& e) {
        // Followed all the same: the show goes on, and the operator knows it is not kept.
        ShowError(ToQString(e.what()));
    }
    KestruneConfig.Folder = folder;
    // The last file's records are archived, and nothing of it is kept; the new reader starts
    // with no file, so it never reads the old one (on a share that may not answer).
    const TReadingResult left = FollowFile(FollowedFile, Live, "");
    StartWatcher();
    ApplyReading(left);
}

void TFormMain::SetBroadcastWindows(TFormStats1* stats, TFormMsg1* msg) {
    Stats = stats;
    Msg = msg;
    const auto refresh = [this] { ConsoleModel->Refresh(); };
    // A window that goes is let go at once; the server draws from both and goes with either.
    const auto letGo = [this](auto*& window) {
        return [this, &window] {
            delete WebServer;
            window = nullptr;
            ConsoleModel->Refresh();
        };
    };
    if (Msg != nullptr) {
        Msg->SetNotice(ToQString(ConsoleModel->State().TickerText));
        connect(Msg, &TFormMsg1::RankingModeChanged, this, refresh);
        connect(Msg, &TFormMsg1::ShownChanged, this, refresh);
        connect(Msg, &TFormMsg1::Going, this, letGo(Msg));
    }
    if (Stats != nullptr) {
        connect(Stats, &TFormStats1::ShownChanged, this, refresh);
        connect(Stats, &TFormStats1::Going, this, letGo(Stats));
    }
    if (Stats != nullptr) {
        Stats->SetLogo(LogoImage);
    }
    WatchScreens(this, [this] {
        const std::pair<QWidget*, const char*> windows[] = {
            {this, "The console"}, {Stats, "The standings window"}, {Msg, "The message window"}};
        for (const auto& [window, name] : windows) {
            if (RefitWindow(window)) {
                AddLog(std::string(name) + " was off the screens after a display change and " +
                       "was moved back onto them");
            }
        }
    });
    if (Stats != nullptr && Msg != nullptr) {
        WebControl = std::make_unique<TConsoleControl>(*this, *ConsoleModel, Live);
        RestartWebServer();
        if (WebTokensUnsaved) {
            SaveWebTokens();
        }
    }
}

void TFormMain::ApplicationEvents1Idle() {
    if (IdleDone) {
        return;
    }
    IdleDone = true;
    const TKestruneConfig& c = KestruneConfig;
    if (Stats != nullptr) {
        PlaceWindow(Stats, c.Stats1X, c.Stats1Y, c.Stats1W, c.Stats1H);
        Stats->ApplyFont(c.Stats1FontSize, c.Stats1FontBold);
        Stats->show();
        Stats->raise();
    }
    if (Msg != nullptr) {
        Msg->ApplyFontSize(c.MsgFontSize);
        PlaceWindow(Msg, c.MsgX, c.MsgY, c.MsgW, c.MsgH);
        Msg->show();
        Msg->raise();
        if (Stats != nullptr) {
            Stats->SetLeaderFont(Msg->font());
        }
    }
    if (KestruneConfig.Folder.empty()) {
        // A first start: the console's notice and its Folder... button must not lie beneath
        // the broadcast windows the system placed over it.
        raise();
        activateWindow();
    }
    // The window manager places windows with no saved place once they are mapped, the console
    // among them; a moment later it is seen whether it put one over the console.
    QTimer::singleShot(FirstPlacementLookMs, this, [this] { MoveBroadcastWindowsOffConsole(); });
}

void TFormMain::MoveBroadcastWindowsOffConsole() {
    const TKestruneConfig& c = KestruneConfig;
    const QRect console = frameGeometry();
    std::vector<const QWidget*> placed;
    const std::pair<QWidget*, bool> windows[] = {{Stats, c.Stats1X == Unset && c.Stats1Y == Unset},
                                                 {Msg, c.MsgX == Unset && c.MsgY == Unset}};
    for (const auto& [window, unplaced] : windows) {
        if (window == nullptr) {
            continue;
        }
        if (unplaced && window->frameGeometry().intersects(console)) {
            // Top-most, it would hide the console's buttons: beside it instead.
            PlaceBesideConsole(window, this, placed);
        }
        placed.push_back(window);
    }
}

void TFormMain::ApplicationEvents1Deactivate() {
    if (!DialogOpen) {
        SetBroadcastOnTop(true);
    }
}

void TFormMain::SetBroadcastOnTop(bool on) {
    for (QWidget* window : {static_cast<QWidget*>(Stats), static_cast<QWidget*>(Msg)}) {
        if (window == nullptr || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) {
            continue;
        }
        // QWidget::setWindowFlag would re-create the native window, unmapping it: on air the
        // windows would blink. The flag goes to the native window as it is; the widget only
        // records it, so a window created later gets it too.
        const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, on);
        window->overrideWindowFlags(flags);
        if (QWindow* handle = window->windowHandle()) {
            handle->setFlags(flags);
        }
    }
}

bool TFormMain::RankingMode() const {
    return Msg != nullptr && Msg->RankingMode();
}

void TFormMain::SetRankingMode(bool on) {
    if (Msg != nullptr) {
        Msg->SetRankingMode(on);
    }
}

void TFormMain::ApplyReading(const TReadingResult& result) {
    ApplyReadingResult(*this, result, Live.EventQueue);
    if (WebControl != nullptr) {
        WebControl->ReadingApplied(result);
    }
    // The lap counter follows the reading.
    ConsoleModel->Refresh();
}

void TFormMain::SaveWebTokens() {
    try {
        SaveConfigValues(ConfigFile, {{"WebToken", KestruneConfig.WebToken},
                                      {"WebReadToken", KestruneConfig.WebReadToken}});
        WebTokensUnsaved = false;
    } catch (const std::exception& e) {
        ShowError(ToQString(e.what()));
    }
}

TWebSettings TFormMain::WebSettings() {
    TKestruneConfig& c = KestruneConfig;
    if (c.WebPort != 0 && (c.WebToken.empty() || c.WebReadToken.empty())) {
        // Made once, when the server first starts, and kept: the control surfaces' buttons and
        // the other PCs' browser sources carry them.
        c.WebToken = c.WebToken.empty() ? NewWebToken() : c.WebToken;
        c.WebReadToken = c.WebReadToken.empty() ? NewWebToken() : c.WebReadToken;
        WebTokensUnsaved = true;
    }
    TWebAccess access{c.WebToken, c.WebReadToken};
    if (c.WebPort != 0) {
        // A short token set by hand is refused rather than trusted: with none, nothing is granted.
        if (const std::string problem = TokenProblem("WebToken", c.WebToken); !problem.empty()) {
            access.ControlToken.clear();
            AddLog("Web server: " + problem + "; control stays off until a longer one is set or " +
                   "the Web tab's New makes one");
        }
        if (const std::string problem = TokenProblem("WebReadToken", c.WebReadToken);
            !problem.empty()) {
            access.ReadToken.clear();
            AddLog("Web server: " + problem + "; other PCs cannot read until a longer one is set " +
                   "or the Web tab's New makes one");
        }
    }
    return {c.WebAddress, c.WebPort, SplitHostList(c.WebHosts), access};
}

bool TFormMain::StandingsVisible() const {
    return Stats != nullptr && Stats->isVisible();
}

void TFormMain::RedrawStandings() {
    PostMessage(Stats, EventRedraw);
}

bool TFormMain::TickerVisible() const {
    return Msg != nullptr && Msg->isVisible();
}

void TFormMain::RefreshStatus() {
    Msg->RefreshStatus();
}

void TFormMain::ReadAgainAfter(std::chrono::milliseconds delay) {
    QTimer::singleShot(delay, this, [this] { PostReload(); });
}

void TFormMain::PostReload() {
    Reader->Follow(FollowedFile.LiveFileName);
    Reader->Request();
}

void TFormMain::SetLabelText(TLabel label, const std::string& text) {
    QLabel* labels[] = {LabelFileName, LabelSession, LabelPhase, LabelFlags};
    QLabel* target = labels[static_cast<int>(label)];
    target->setText(ToQString(text));
    target->adjustSize();
    ConsoleModel->SetLabel(label, text);
}

int TFormMain::LogLineCount() const {
    return Memo1->document()->isEmpty() ? 0 : Memo1->blockCount();
}

void TFormMain::AddLog(const std::string& text) {
    Memo1->appendPlainText(ToQString(text));
}

void TFormMain::ShowError(const QString& text) {
    AddLog(ToBytes(text));
    auto* box = new QMessageBox(QMessageBox::Critical, "Kestrune", text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

bool TFormMain::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == EventWatcherEnded) {
        AddLog(WatcherEndedText);
        return true;
    }
    if (type == EventWatcherResumed) {
        // "again" only after a first "Following": a share slow to answer at start gets its
        // first one now.
        AddLog(FollowingText(KestruneConfig.Folder, Watcher->Way(), FollowingSaid));
        FollowingSaid = true;
        return true;
    }
    if (type == TFolderReadingEvent::Kind) {
        ++Reloads;
        ApplyReading(
            ApplyFolderReading(FollowedFile, Live, KestruneConfig.Folder,
                               std::move(static_cast<TFolderReadingEvent*>(event)->Reading),
                               RankingMode(), std::chrono::steady_clock::now()));
        return true;
    }
    if (type == QEvent::Resize) {
        PageControl->setGeometry(rect());
    }
    return QWidget::event(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && (widget == this || isAncestorOf(widget))) {
            // The wheel belongs to the ranking buttons; only the memos of the other tabs
            // still scroll with it, so a long report or log can be read.
            if (PageControl->currentIndex() != 0 && InsideScrollArea(widget)) {
                return false;
            }
            HandleWheel(event);
            return true;
        }
    }
    if (event->type() == QEvent::ApplicationDeactivate) {
        ApplicationEvents1Deactivate();
    }
    return QWidget::eventFilter(watched, event);
}

bool TFormMain::HandleWheel(QEvent* event) {
    if (PageControl->currentIndex() != 0) {
        return false;
    }
    const auto* wheel = static_cast<QWheelEvent*>(event);
    // Only vertical steps count: a touchpad's sideways swipe must not send strips.
    if (wheel->angleDelta().y() == 0) {
        return false;
    }
    const QPoint global = wheel->globalPosition().toPoint();
    auto* button = qobject_cast<QPushButton*>(GroupBox1->childAt(GroupBox1->mapFromGlobal(global)));
    if (button == nullptr || !button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

void TFormMain::SaveBounds() {
    const TWindowBounds none{};
    try {
        SaveConfig(ConfigFile, BoundsOf(this), Stats != nullptr ? BoundsOf(Stats) : none,
                   Msg != nullptr ? BoundsOf(Msg) : none, LogoFile);
    } catch (const std::exception& e) {
        AddLog(e.what());
        if (ClosingFromSignal) {
            std::fprintf(stderr, "kestrune: %s\n", e.what());
        } else {
            QMessageBox::critical(this, "Kestrune", ToQString(e.what()));
        }
    }
}

void TFormMain::CloseFromSignal() {
    ClosingFromSignal = true;
    // A dialog waiting for an answer (the close's own error among them) would hold the close
    // back, and nobody may be there to answer it: it goes first. A close already under way
    // then finishes, or this one runs.
    for (int nested = 0; nested < 8; ++nested) {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialog->close()) {
            break;
        }
    }
    close();
}

void TFormMain::SaveForSessionEnd() {
    const bool wasQuiet = std::exchange(ClosingFromSignal, true);
    SaveBounds();
    ClosingFromSignal = wasQuiet;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    SaveBounds();
    event->accept();
    // The broadcast windows are top-level windows too; closing the console ends the program.
    QCoreApplication::quit();
}
