#include "core/platform/stoprequest.h"

#include "core/platform/windows/wintext.h"

#include <atomic>

namespace {

// Process-wide by necessity: the console control handler has no object to reach but these.
/// Never destroyed: the handler may run while the program's statics are being torn down.
std::function<void()>* OnStop = nullptr;
std::atomic<int> Requests{0};

BOOL WINAPI OnConsoleControl(DWORD kind) {
    switch (kind) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (++Requests > 1) {
            return FALSE; // the first stop has not ended the program: the default handler does
        }
        (*OnStop)();
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process when this returns, and at the latest after its own
        // timeout: wait here, so the program's own ending (it returns from main) comes first.
        if (++Requests == 1) {
            (*OnStop)();
        }
        ::Sleep(INFINITE);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool CallOnStopRequests(std::function<void()> onStop) {
    if (OnStop != nullptr) {
        return false;
    }
    // The system calls the handler on a thread of its own.
    OnStop = new std::function<void()>(std::move(onStop));
    // A program started in a new process group ignores Ctrl+C until told otherwise.
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    return ::SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}
