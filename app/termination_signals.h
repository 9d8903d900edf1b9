#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vornel {

// SIGTERM, SIGINT and SIGHUP end the program the orderly way, from the event
// loop, instead of killing it with what changed since the last save. A second
// signal, once the first has been taken, ends it at once.
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
