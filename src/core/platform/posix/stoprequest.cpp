#include "core/platform/stoprequest.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Process-wide by necessity: a signal handler has no object to reach but these.
int SignalPipe[2] = {-1, -1};
volatile sig_atomic_t SignalsReceived = 0;

void OnSignal(int number) {
    const int savedErrno = errno;
    SignalsReceived = SignalsReceived + 1;
    if (SignalsReceived > 1) {
        // The first stop has not ended the program: this one does, as if never handled.
        ::signal(number, SIG_DFL);
        ::raise(number);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

/// Hands each signal on outside the handler, where anything may be called.
void ForwardSignals(const std::function<void()>& onStop) {
    while (true) {
        char byte = 0;
        const ssize_t got = ::read(SignalPipe[0], &byte, 1);
        if (got == 1) {
            onStop();
        } else if (got == 0 || errno != EINTR) {
            return;
        }
    }
}

} // namespace

bool CallOnStopRequests(std::function<void()> onStop) {
    if (SignalPipe[0] >= 0 || ::pipe2(SignalPipe, O_CLOEXEC) != 0) {
        return false;
    }
    // The handler must never block; the forwarding thread may.
    ::fcntl(SignalPipe[1], F_SETFL, O_NONBLOCK);
    try {
        std::thread(ForwardSignals, std::move(onStop)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return true;
}
