#pragma once
// Stop requests from outside as a close of the console: a broadcaster's service manager, a
// Ctrl+C in the terminal or the end of the user's session must save the window positions like
// the close button does.

#include <functional>

class QObject;

/// From now on a stop request (SIGTERM, SIGINT; Ctrl+C or a closed console on Windows) runs
/// `close` on the event loop (see CallOnStopRequests).
void CloseOnTerminationSignals(QObject* context, std::function<void()> close);

/// From now on the end of the user's session (log off, shut down: WM_QUERYENDSESSION on
/// Windows, the session manager's save request elsewhere) runs `save` at once, inside the
/// request, since the system may end the process as soon as it has been answered. `save` must
/// not ask the operator anything. The request itself is then granted.
void SaveOnSessionEnd(QObject* context, std::function<void()> save);
