#pragma once
// Termination signals as a close of the console: a broadcaster's service manager or a Ctrl+C
// in the terminal must save the window positions like the close button does.

#include <functional>

class QObject;

/// From now on a stop request (SIGTERM, SIGINT; Ctrl+C or a closed console on Windows) runs
/// `close` on the event loop (see CallOnStopRequests).
void CloseOnTerminationSignals(QObject* context, std::function<void()> close);
