#include "app/termination_signals.h"

namespace vornel {

// A windowed Windows program receives no termination signals: it is ended by
// WM_CLOSE to its tray form (a newer instance), by the end of the session,
// which Qt reports, or by TerminateProcess, which no handler can see. There
// is nothing to listen to here.
TerminationSignals::TerminationSignals(std::function<void()> terminate, QObject* parent)
    : QObject(parent), terminate_(std::move(terminate)) {}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::takeSignal() {
    terminate_();
}

} // namespace vornel
