#pragma once

#include <QTimer>
#include <functional>

namespace vornel {

// A lost connection to the desktop, joined again: a first try after a
// second, then after twice as long each time, a minute apart at most. A
// compositor that drops a client it gave up on, or restarts its IPC in place
// (i3's restart), is joined again within seconds; one gone for good costs a
// try a minute.
class Reconnection {
public:
    static constexpr int FirstDelayMs = 1000;
    static constexpr int LongestDelayMs = 60000;

    // attempt says whether it got the connection back.
    explicit Reconnection(std::function<bool()> attempt) : attempt_(std::move(attempt)) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tryNow(); });
    }

    // The connection is gone: tries begin, unless they have already.
    void lost() {
        if (!timer_.isActive()) timer_.start(delayMs_);
    }
    // The connection is back by other means: no more tries.
    void found() {
        timer_.stop();
        delayMs_ = FirstDelayMs;
    }
    bool trying() const { return timer_.isActive(); }
    // How long until the coming try.
    int delayMs() const { return timer_.interval(); }

private:
    void tryNow() {
        if (attempt_()) {
            found();
            return;
        }
        delayMs_ = std::min(delayMs_ * 2, LongestDelayMs);
        timer_.start(delayMs_);
    }

    std::function<bool()> attempt_;
    QTimer timer_;
    int delayMs_ = FirstDelayMs;
};

} // namespace vornel
