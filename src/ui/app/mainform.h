#pragma once
// The operator's console: five tabs, the log, the buttons for the broadcast windows and the
// ranking strip, and the handlers of the watcher's and the reader's messages. It is also the
// windows' side of the reload cycle: the ranking strip's switch (TWindowLink) and what a reading
// changes (TReadingSink).

#include "core/app/config.h"
#include "core/app/consolemodel.h"
#include "core/app/reload.h"
#include "core/live/windowlink.h"
#include "core/messages/ranking.h"
#include "core/messages/readingsink.h"
#include "core/web/websettings.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TFileChecker;
class TLiveReader;
class TConsoleControl;
class TFormMsg1;
class TFormStats1;

/// How long after the first idle step the broadcast windows' first places are looked at.
constexpr int FirstPlacementLookMs = 1000;

/// The Logs tab keeps this many of the latest lines.
constexpr int MaxLogLines = 5000;

class TFormMain : public QWidget, public TConsoleWindows, public TReadingSink {
    Q_OBJECT
  public:
    /// Runs the creation step with the configuration `load` read from `configPath` (its errors
    /// are shown now): places itself, starts the folder watcher and the reader thread, and loads
    /// the alias list into `broadcast`, which it feeds from the followed file.
    TFormMain(std::string configPath, const TConfigLoad& load, TBroadcast& broadcast,
              QWidget* parent = nullptr);
    ~TFormMain() override;

    /// Hands over the two broadcast windows (created after this one; not owned).
    void SetBroadcastWindows(TFormStats1* stats, TFormMsg1* msg);
    /// The first-idle step: places, sizes and shows both broadcast windows.
    void ApplicationEvents1Idle();
    /// A broadcast window with no saved place that the window manager put over the console
    /// goes beside it (the first idle step asks for this FirstPlacementLookMs later).
    void MoveBroadcastWindowsOffConsole();
    /// The program lost activation: both broadcast windows float above other programs (not
    /// while one of its own file dialogs is open, which takes the activation itself).
    void ApplicationEvents1Deactivate();

    // TConsoleWindows: the ticker's ranking strip, the broadcast windows shown, the ticker's
    // text, the class view and the log.
    bool RankingMode() const override;
    void SetRankingMode(bool on) override;
    bool Shown(TBroadcastWindow window) const override;
    void SetShown(TBroadcastWindow window, bool shown) override;
    void TickerTextChanged(const std::string& text) override;
    void ClassViewChanged(bool on) override;
    void Report(const std::string& line) override { AddLog(line); }
    /// The tower or the ticker, or null once it has gone.
    QWidget* WindowOf(TBroadcastWindow window) const;

    /// The console's commands and state, which its controls, the API and the tests act through.
    TConsoleModel& Model() { return *ConsoleModel; }
    const TConsoleModel& Model() const { return *ConsoleModel; }

    /// Shows what a reading changed, through ApplyReadingResult, onto the real windows.
    void ApplyReading(const TReadingResult& result);
    /// Asks the reader for a reading of the followed file now.
    void PostReload();

    // TReadingSink: the labels, the log, the broadcast windows and the next reading.
    void SetLabelText(TLabel label, const std::string& text) override;
    void StopRanking() override { SetRankingMode(false); }
    /// Appends one line to the log.
    void AddLog(const std::string& text) override;
    bool StandingsVisible() const override;
    void RedrawStandings() override;
    bool TickerVisible() const override;
    void RefreshStatus() override;
    void ReadNow() override { PostReload(); }
    void ReadAgainAfter(std::chrono::milliseconds delay) override;

    // Button actions, public so the wheel rule and tests run exactly what a click runs: each
    // runs its command on the model.
    void Button2Click();  // Live Window
    void Button3Click();  // Message Window
    void Button7Click();  // Logo...
    void Button13Click(); // Reload Alias
    /// "Class view": the tower, the strips and the race messages within each car's class, at
    /// once and saved.
    void CheckClassViewClick(bool on);
    void ButtonFolderClick(); // Folder...
    void Button4Click();      // Bestlap report
    void Button5Click();      // Avglap report
    void Button6Click();      // Gap report
    void Button14Click();     // Apply (ignore list)
    void Button8Click();      // Best Lap strip
    void Button12Click();     // Avg Lap strip
    void Button9Click();      // Pit Stops strip
    void Button10Click();     // GapL strip
    void Button11Click();     // GapI strip
    void ComboBox1DropDown();

    void ComboBox1Select(int index);

    /// Follows `folder` from now on, at once, and writes it to the configuration file; the
    /// records of the file followed until now are archived as at a switch of file.
    void FollowFolder(const std::string& folder);
    /// Loads the logo from the file whose name is the bytes `path`: an error text when it
    /// cannot be loaded, else empty.
    QString LoadLogo(const std::string& path);
    /// The logo path's bytes as configured, or as the dialog last confirmed.
    const std::string& LogoPath() const { return LogoFile; }
    const QImage& Logo() const { return LogoImage; }
    const std::string& ConfigPath() const { return ConfigFile; }
    /// The settings as loaded, with the folder as last chosen.
    const TKestruneConfig& Config() const { return KestruneConfig; }
    /// The followed live file.
    const TFollowedFile& Followed() const { return FollowedFile; }
    /// Shows an error to the operator without blocking the event loop, and logs it.
    void ShowError(const QString& text);
    /// Writes the twelve bounds and the logo path; reports a failure to the operator.
    void SaveBounds();
    /// A termination signal: closes like the close button, but a failure to save is only
    /// logged and written to stderr, since nobody may be there to answer a dialog.
    void CloseFromSignal();
    /// The user's session ends: saves as a close would, quietly, at once (the system may end
    /// the process right after); the windows stay until the program is told to quit.
    void SaveForSessionEnd();
    /// Readings handled (each TFolderReadingEvent) and lines in the log so far (for the soak
    /// report).
    int ReloadsHandled() const { return Reloads; }
    int LogLineCount() const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildInfoTab();
    void BuildDataTab();
    void BuildLogsTab();
    void BuildMessageTab();
    void BuildIgnoreTab();
    void BuildWebTab();
    /// Takes the Web tab's settings: saves them and starts the server anew as they say.
    void ApplyWebTab();
    /// Stops the web server, if one runs, and starts one as the settings say.
    void RestartWebServer();
    /// The Web tab's addresses, token and client counts as they are now.
    void ShowWebState();
    void FormCreate(const TConfigLoad& load);
    /// Starts watching and reading the configured folder, saying so; with none, says how to
    /// choose one.
    void StartWatcher();
    /// Ends the watcher, then the reader: neither delivers anything after it.
    void StopWatcher();
    bool HandleWheel(QEvent* event);
    /// The fields that show the model's state follow it when a command changed it, whoever
    /// sent the command; a field being edited is left alone when its own value did not change.
    void ShowModelState();
    /// The web server's settings, with its tokens made when it serves and there are none yet.
    TWebSettings WebSettings();
    /// Writes the tokens into the configuration file; says why not when it cannot.
    void SaveWebTokens();
    void ShowReport(const std::vector<std::string>& lines);

    std::string ConfigFile;
    TKestruneConfig KestruneConfig;
    TBroadcast& Live;
    TFollowedFile FollowedFile;
    std::string LogoFile;
    QImage LogoImage;
    std::unique_ptr<TFileChecker> Watcher;
    /// Reads the followed file off the window thread; shared with the watcher's thread, which
    /// asks it for a reading after each change.
    std::shared_ptr<TLiveReader> Reader;
    /// Let go when they say they are going: the console's state is looked at as they close.
    TFormStats1* Stats = nullptr;
    TFormMsg1* Msg = nullptr;
    /// Makes the tower and the ticker top-most, or not, without re-creating their windows.
    void SetBroadcastOnTop(bool on);
    /// Runs a file dialog of the system. Meanwhile the broadcast windows are not top-most: the
    /// dialog takes the program's activation and would otherwise open beneath them.
    QString AskOperator(const std::function<QString()>& dialog);
    bool DialogOpen = false;
    bool IdleDone = false;
    bool ClosingFromSignal = false;
    /// A "Following ..." line has been logged since start.
    bool FollowingSaid = false;
    int Reloads = 0;
    std::unique_ptr<TConsoleModel> ConsoleModel;
    /// The ticker's text and the ignore list as the model last had them for the fields.
    std::string TickerTextShown;
    std::string IgnoreListShown;
    /// The console as the web server's control calls see it.
    std::unique_ptr<TConsoleControl> WebControl;

    QTabWidget* PageControl = nullptr;
    QLabel* LabelFileName = nullptr;
    QLabel* LabelSession = nullptr;
    QLabel* LabelPhase = nullptr;
    QLabel* LabelFlags = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPlainTextEdit* MemoData = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPlainTextEdit* MemoIgnoreList = nullptr;
    QCheckBox* CheckClassView = nullptr;
    QCheckBox* CheckWebOn = nullptr;
    QSpinBox* SpinWebPort = nullptr;
    QCheckBox* CheckWebNetwork = nullptr;
    QLineEdit* EditWebTower = nullptr;
    QLineEdit* EditWebTicker = nullptr;
    QLineEdit* EditWebData = nullptr;
    QLineEdit* EditWebToken = nullptr;
    QLineEdit* EditWebReadToken = nullptr;
    QLineEdit* EditWebHosts = nullptr;
    QLabel* LabelWebClients = nullptr;
    /// Tokens were made that the configuration file does not hold yet.
    bool WebTokensUnsaved = false;
    /// The running web server (a child of the ticker), or null.
    QPointer<QObject> WebServer;
};
