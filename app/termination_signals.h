#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vornel {

// SIGTERM, SIGINT and SIGHUP end the program the orderly way, from the event
// loop, instead of killing it with what changed since the last save. Further
// signals are taken as the same request while the orderly exit runs; only
// one that comes 5 s or more after the first ends the process at once.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(std::function<void()> terminate, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void takeSignal();

    std::function<void()> terminate_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vornel
