#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vornel {

namespace {

constexpr std::array Signals{SIGTERM, SIGINT, SIGHUP};

// The handler may only write a byte; the event loop does the rest.
int wakePipe[2] = {-1, -1};

extern "C" void onSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    (void)!write(wakePipe[1], &byte, 1);
    errno = saved;
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : Signals)
        sigaction(number, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> terminate, QObject* parent)
    : QObject(parent), terminate_(std::move(terminate)) {
    if (wakePipe[0] >= 0 || pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::takeSignal);
    setHandler(onSignal);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    setHandler(SIG_DFL);
    delete notifier_;
    close(wakePipe[0]);
    close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

void TerminationSignals::takeSignal() {
    char bytes[16];
    while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    // Should the orderly way hang (an error box nobody answers at log-off),
    // the next signal still ends the process.
    setHandler(SIG_DFL);
    if (terminate_) terminate_();
}

} // namespace vornel
