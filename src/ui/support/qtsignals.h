#pragma once
// Termination signals as a close of the console: a broadcaster's service manager or a Ctrl+C
// in the terminal must save the window positions like the close button does.

#include <functional>

class QObject;

/// From now on SIGTERM and SIGINT run `close` on the event loop (the handler itself only
/// writes a byte to a pipe). A second signal ends the program as an unhandled one would, so a
/// close that hangs (a stalled share, a dialog nobody answers) never makes it unkillable.
void CloseOnTerminationSignals(QObject* context, std::function<void()> close);
