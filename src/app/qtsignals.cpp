#include "app/qtsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

} // namespace

void CloseOnTerminationSignals(QObject* context, std::function<void()> close) {
    if (SignalPipe[0] < 0 && ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return; // without a pipe the signals keep their default: end the program
    }
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, context);
    auto closing = std::make_shared<bool>(false);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [close, closing] {
        char bytes[16];
        while (::read(SignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        if (*closing) {
            QCoreApplication::exit(1);
            return;
        }
        *closing = true;
        close();
        *closing = false;
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
