#pragma once
// A stop asked for from outside the program: a service manager, a Ctrl+C in the terminal, the
// console window closed. The program then ends as its own close or quit would, saving what
// it must and leaving complete files.

#include <functional>

/// From now on SIGINT and SIGTERM (on Windows: Ctrl+C, Ctrl+Break and closing the console)
/// call `onStop`, on a thread of their own, never inside a signal handler; it must only hand
/// the request on (set a flag, post to the event loop). A second request ends the program as
/// an unhandled one would, so a stop that hangs never makes it unkillable. False when the
/// handler could not be set up: the requests then keep their default and end the program.
/// Called once per program.
bool CallOnStopRequests(std::function<void()> onStop);
