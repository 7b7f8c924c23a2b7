#include "support/qtsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};
volatile sig_atomic_t SignalsReceived = 0;

void OnSignal(int number) {
    const int savedErrno = errno;
    SignalsReceived = SignalsReceived + 1;
    if (SignalsReceived > 1) {
        // The first close has not ended the program: this one does, as if never handled.
        ::signal(number, SIG_DFL);
        ::raise(number);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void CloseOnTerminationSignals(QObject* context, std::function<void()> close) {
    if (SignalPipe[0] < 0 && ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // without a pipe the signals keep their default: end the program
    }
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [close] {
        char bytes[16];
        while (::read(SignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
