#include "tests/support/consoledesk.h"

#include <QPlainTextEdit>

TConsoleDesk::TConsoleDesk(const std::string& ini, TBroadcast& live) : Load(LoadConfig(ini)) {
    Main = std::make_unique<TFormMain>(ini, Load, live);
    // The tower follows the console's settings, as in the program.
    Stats = std::make_unique<TFormStats1>(TTowerSources{live.Players, Main->Config()});
    Msg = std::make_unique<TFormMsg1>(
        TTickerSources{live.EventQueue, live.RankingList, live.Players});
    Main->SetBroadcastWindows(Stats.get(), Msg.get());
}

TConsoleDesk::~TConsoleDesk() {
    Msg.reset();
    Stats.reset();
    Main.reset();
}

void TConsoleDesk::Show() {
    Main->show();
    Main->ApplicationEvents1Idle();
}

QString TConsoleDesk::LogText() const {
    return Main->findChild<QPlainTextEdit*>("Memo1")->toPlainText();
}
