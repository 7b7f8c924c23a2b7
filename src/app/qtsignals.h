#pragma once
// Termination signals as a close of the console: a broadcaster's service manager or a Ctrl+C
// in the terminal must save the window positions like the close button does.

#include <functional>

class QObject;

/// From now on SIGTERM and SIGINT run `close` on the event loop (the handler itself only
/// writes a byte to a pipe). A second signal while the first is still being handled ends the
/// event loop at once, so a close that hangs never makes the program unkillable by them.
void CloseOnTerminationSignals(QObject* context, std::function<void()> close);
