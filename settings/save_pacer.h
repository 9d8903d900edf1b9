#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace vornel {

// Brings to disk what no command saves (a closing's count and log line)
// soon after it happens, without saving at the rate of the closings: the
// first request saves at once, from the event loop; requests that come while
// a save is pending or within the interval after one wait for a single save
// at the end of that interval. A crash thus loses at most an interval's
// closings, and a storm of pop-ups costs at most one save per interval.
class SavePacer : public QObject {
public:
    static constexpr std::chrono::milliseconds Interval{2000};

    explicit SavePacer(std::function<void()> save, QObject* parent = nullptr,
                       std::chrono::milliseconds interval = Interval);

    void request();
    bool pending() const { return timer_.isActive(); }
    // Saves made so far, for the benchmark's count.
    int saves() const { return saves_; }

private:
    void saveNow();

    std::function<void()> save_;
    std::chrono::milliseconds interval_;
    QTimer timer_;
    QElapsedTimer sinceLastSave_;
    int saves_ = 0;
};

} // namespace vornel
