#include "core/app/consolemodel.h"

#include <sstream>
#include <vector>

TConsoleModel::TConsoleModel(TBroadcast& live, TConsoleWindows& windows, std::string configPath,
                             int nameLength)
    : Live(live), Windows(windows), ConfigPath(std::move(configPath)), NameLength(nameLength) {
    Refresh();
}

void TConsoleModel::Run(const TConsoleCommand& command) {
    if (const auto* press = std::get_if<TPressStrip>(&command)) {
        PressStrip(*press->Kind);
    } else if (std::holds_alternative<TStopStrip>(command)) {
        Windows.SetRankingMode(false);
    } else if (const auto* show = std::get_if<TShowWindow>(&command)) {
        ShowWindow(*show);
    } else if (const auto* text = std::get_if<TSetTickerText>(&command)) {
        if (text->Text != TickerText) {
            TickerText = text->Text;
            Windows.TickerTextChanged(TickerText);
        }
    } else if (const auto* classView = std::get_if<TSetClassView>(&command)) {
        if (classView->On != Live.ClassView) {
            Live.ClassView = classView->On;
            Windows.ClassViewChanged(classView->On);
        }
    } else if (const auto* ignore = std::get_if<TSetIgnoreList>(&command)) {
        SetIgnoreList(ignore->Lines);
    } else if (std::holds_alternative<TReloadAlias>(command)) {
        ++NamesChanges;
        if (const std::string error = Live.Names.ReloadAliases(ConfigPath, *Live.Players);
            !error.empty()) {
            Windows.Report(error);
        }
    }
    Refresh();
}

void TConsoleModel::PressStrip(const TStripKind& kind) {
    PressRankingButton(Windows, [this, &kind] {
        if (Live.ClassView) {
            ComposeByClass(kind.ByClass, *Live.Players, NameLength, Windows, Live.RankingList);
        } else {
            kind.Compose(*Live.Players, NameLength, Windows, Live.RankingList);
        }
    });
    if (Windows.RankingMode()) {
        Started = &kind;
    }
}

void TConsoleModel::ShowWindow(const TShowWindow& show) {
    const bool shown = Windows.Shown(show.Window);
    const bool wanted = show.Operation == TWindowOperation::Toggle
                            ? !shown
                            : show.Operation == TWindowOperation::Show;
    if (wanted != shown) {
        Windows.SetShown(show.Window, wanted);
    }
}

void TConsoleModel::SetIgnoreList(const std::string& lines) {
    std::vector<std::string> memoLines;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        memoLines.push_back(line);
    }
    Live.Names.ApplyIgnoreList(memoLines);
    std::string applied;
    for (const std::string& line : memoLines) {
        applied += (applied.empty() ? "" : "\n") + line;
    }
    IgnoreLines = applied;
    ++NamesChanges;
}

void TConsoleModel::SetLabel(TLabel label, const std::string& text) {
    std::string& shown = Labels[static_cast<int>(label)];
    // A reading writes its labels again each time; only a new text is news.
    if (shown != text) {
        shown = text;
        Refresh();
    }
}

void TConsoleModel::Refresh() {
    TProducerState state;
    state.File = Labels[static_cast<int>(TLabel::FileName)];
    state.Session = Labels[static_cast<int>(TLabel::Session)];
    state.Phase = Labels[static_cast<int>(TLabel::Phase)];
    state.Flag = Labels[static_cast<int>(TLabel::Flags)];
    state.Strip = Windows.RankingMode() && Started != nullptr ? std::string(Started->Word) : "";
    state.TowerShown = Windows.Shown(TBroadcastWindow::Tower);
    state.TickerShown = Windows.Shown(TBroadcastWindow::Ticker);
    state.TickerText = TickerText;
    state.ClassView = Live.ClassView;
    std::string json = ProducerStateJson(state, Live.Players.get());
    if (json == CurrentJson && NamesChanges == NamesToldAt) {
        return;
    }
    NamesToldAt = NamesChanges;
    Current = std::move(state);
    CurrentJson = std::move(json);
    // A listener may subscribe or leave while it is told.
    const auto listeners = Listeners;
    for (const auto& [id, listener] : listeners) {
        listener();
    }
}

int TConsoleModel::Subscribe(std::function<void()> listener) {
    Listeners.emplace(++NextListener, std::move(listener));
    return NextListener;
}

void TConsoleModel::Unsubscribe(int id) {
    Listeners.erase(id);
}
