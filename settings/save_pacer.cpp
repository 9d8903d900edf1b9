#include "settings/save_pacer.h"

#include <algorithm>

namespace vornel {

SavePacer::SavePacer(std::function<void()> save, QObject* parent,
                     std::chrono::milliseconds interval)
    : QObject(parent), save_(std::move(save)), interval_(interval) {
    timer_.setSingleShot(true);
    // Precise: the interval is both the promise (on disk within it) and the
    // bound (no more often than it).
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SavePacer::saveNow);
}

void SavePacer::request() {
    if (timer_.isActive()) return;
    std::chrono::milliseconds wait{0};
    if (sinceLastSave_.isValid())
        wait = std::max(std::chrono::milliseconds{0},
                        interval_ - std::chrono::milliseconds(sinceLastSave_.elapsed()));
    timer_.start(wait);
}

void SavePacer::saveNow() {
    sinceLastSave_.start();
    ++saves_;
    if (save_) save_();
}

} // namespace vornel
