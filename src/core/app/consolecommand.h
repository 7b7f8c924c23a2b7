#pragma once
// What an operator, a control surface, the replay or a test may tell the console to do, as
// typed values: each is run by TConsoleModel whoever sent it, so a control call has exactly
// the effect of the console's control.

#include "core/messages/stripkinds.h"

#include <string>
#include <variant>

enum class TBroadcastWindow { Tower, Ticker };
enum class TWindowOperation { Show, Hide, Toggle };

/// A strip's button: starts the strip, or ends the one that runs.
struct TPressStrip {
    const TStripKind* Kind = &StripKinds[0];
};
struct TStopStrip {};
/// Live Window (the tower) or Message Window (the ticker).
struct TShowWindow {
    TBroadcastWindow Window = TBroadcastWindow::Tower;
    TWindowOperation Operation = TWindowOperation::Toggle;
};
/// The Message tab's free text on the ticker's status line.
struct TSetTickerText {
    std::string Text;
};
struct TSetClassView {
    bool On = false;
};
/// The IgnoreList tab's Apply: one driver a line.
struct TSetIgnoreList {
    std::string Lines;
};
struct TReloadAlias {};

using TConsoleCommand = std::variant<TPressStrip, TStopStrip, TShowWindow, TSetTickerText,
                                     TSetClassView, TSetIgnoreList, TReloadAlias>;

/// How the log names a command: "GapL strip pressed", "Live Window hide", ...; text a client
/// sent is quoted safely.
std::string DescribeCommand(const TConsoleCommand& command);
