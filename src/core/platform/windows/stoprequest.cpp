#include "platform/stoprequest.h"

#include "platform/windows/wintext.h"

#include <atomic>

namespace {

std::function<void()> OnStop;
std::atomic<int> Requests{0};

BOOL WINAPI OnConsoleControl(DWORD kind) {
    switch (kind) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (++Requests > 1) {
            return FALSE; // the first stop has not ended the program: the default handler does
        }
        OnStop();
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The system ends the process when this returns: give the program time to finish
        // what it is writing.
        if (++Requests == 1) {
            OnStop();
        }
        ::Sleep(3000);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool CallOnStopRequests(std::function<void()> onStop) {
    if (OnStop) {
        return false;
    }
    // The system calls the handler on a thread of its own.
    OnStop = std::move(onStop);
    return ::SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}
