#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vornel {

namespace {

constexpr std::array Signals{SIGTERM, SIGINT, SIGHUP};

// How long the orderly exit may take before a further signal ends the
// process at once: should it hang (an error box nobody answers at log-off),
// the system still has its way.
constexpr time_t GraceSeconds = 5;

// The handler may only write a byte and look at the clock; the event loop
// does the rest.
int wakePipe[2] = {-1, -1};
volatile sig_atomic_t taken = 0; // a signal has started the orderly exit
timespec takenAt{};

// At a logout two signals come close together (the session manager's, and the
// one a parent such as runuser or su forwards): the second must not cut the
// save short, so repeated signals are taken as one while the exit runs.
extern "C" void onSignal(int number) {
    const int saved = errno;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (!taken) {
        taken = 1;
        takenAt = now;
        const char byte = char(number);
        (void)!write(wakePipe[1], &byte, 1);
    } else if (now.tv_sec - takenAt.tv_sec > GraceSeconds ||
               (now.tv_sec - takenAt.tv_sec == GraceSeconds && now.tv_nsec >= takenAt.tv_nsec)) {
        // Blocked until this handler returns, then delivered with its
        // default action.
        signal(number, SIG_DFL);
        raise(number);
    }
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
    taken = 0;
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
    if (terminate_) terminate_();
}

} // namespace vornel
