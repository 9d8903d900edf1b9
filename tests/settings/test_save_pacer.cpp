#include "settings/save_pacer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace vornel;
using namespace std::chrono_literals;

namespace {

// Runs the event loop until done() holds, or for at most ms.
bool runUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(SavePacer, EveryRequestIsFollowedByASaveAndTheSavesKeepTheirInterval) {
    std::vector<qint64> saveTimes;
    QElapsedTimer clock;
    clock.start();
    SavePacer pacer([&] { saveTimes.push_back(clock.elapsed()); }, nullptr, 300ms);

    // The first request saves from the event loop, not from the caller.
    pacer.request();
    EXPECT_TRUE(saveTimes.empty());
    ASSERT_TRUE(runUntil([&] { return saveTimes.size() == 1; }));

    // A burst of requests, for about five intervals, as a storm of closings
    // makes them.
    while (clock.elapsed() < saveTimes.front() + 1500) {
        pacer.request();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // The last request of the burst still gets its save.
    ASSERT_TRUE(runUntil([&] { return !pacer.pending(); }));
    EXPECT_EQ(pacer.saves(), int(saveTimes.size()));
    // A loaded machine makes fewer saves, never more: no two closer than the
    // interval.
    for (std::size_t i = 1; i < saveTimes.size(); ++i)
        EXPECT_GE(saveTimes[i] - saveTimes[i - 1], 300) << "save " << i;
    EXPECT_GE(saveTimes.size(), 2u);

    // Quiet since: nothing more is saved.
    const std::size_t saves = saveTimes.size();
    runUntil([] { return false; }, 400);
    EXPECT_EQ(saveTimes.size(), saves);
}
