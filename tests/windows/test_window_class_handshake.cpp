// The handshake of the Windows program, between threads of this process (a
// mutex belongs to a thread; the end-to-end test runs it between processes).
#include "app/window_class_handshake.h"
#include "windows_test_support.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace vornel;
using namespace vornel::test;
using namespace std::chrono_literals;

namespace {

// A class and mutex of the test's own, so that a running Vornel is never asked.
constexpr const char* ClassName = "TestVornelTray";
constexpr const char* MutexName = "Local\\Vornel-test-instance";

HWND findInstance() {
    return FindWindowA("testVornelTray", nullptr);
}

// A running instance on a thread of its own: it listens, and on a close
// request saves (closed), ends its message loop, and ends a moment later.
class RunningInstance {
public:
    RunningInstance() {
        thread_ = std::thread([this] {
            WindowClassHandshake handshake(ClassName, MutexName);
            started = handshake.closeEarlierInstance(1s);
            handshake.listen([this] {
                closed = true;
                PostQuitMessage(0);
            });
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            Sleep(300); // the rest of its way out, the second save included
            ended = true;
        });
    }
    ~RunningInstance() { thread_.join(); }

    std::atomic<EarlierInstance> started{EarlierInstance::StillRunning};
    std::atomic<bool> closed{false}, ended{false};

private:
    std::thread thread_;
};

} // namespace

TEST(WindowClassHandshake, ANewerInstanceClosesTheRunningOneWaitsForItsEndAndTakesItsPlace) {
    {
        RunningInstance first;
        ASSERT_TRUE(waitUntil([] { return findInstance() != nullptr; }));
        EXPECT_EQ(first.started, EarlierInstance::None);
        EXPECT_FALSE(IsWindowVisible(findInstance()));

        WindowClassHandshake second(ClassName, MutexName);
        EXPECT_EQ(second.closeEarlierInstance(5s), EarlierInstance::Closed);
        EXPECT_TRUE(first.closed);
        EXPECT_TRUE(first.ended) << "returned before the earlier instance had ended";
        EXPECT_EQ(findInstance(), nullptr);

        ASSERT_TRUE(second.listen([] {}));
        EXPECT_EQ(findInstance(), second.window());
        second.stopListening();
        EXPECT_EQ(findInstance(), nullptr);
    }
    // Nobody runs any more.
    WindowClassHandshake alone(ClassName, MutexName);
    EXPECT_EQ(alone.closeEarlierInstance(1s), EarlierInstance::None);
}

TEST(WindowClassHandshake, AHungInstanceIsNotWaitedForEverAndADeadOneIsNoObstacle) {
    // A thread holds the mutex and never makes its window: an instance that
    // hangs half-started.
    std::atomic<bool> holding{false}, release{false};
    std::thread hung([&] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, MutexName);
        holding = true;
        while (!release)
            Sleep(10);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    ASSERT_TRUE(waitUntil([&] { return holding.load(); }));
    {
        WindowClassHandshake late(ClassName, MutexName);
        QDeadlineTimer took(60000);
        EXPECT_EQ(late.closeEarlierInstance(1s), EarlierInstance::StillRunning);
        EXPECT_LT(took.remainingTime(), 60000 - 900) << "gave up before its time";
        EXPECT_FALSE(late.listen([] {})) << "a start that must not run listened";
    }
    release = true;
    hung.join();

    // A thread that ends holding the mutex: an instance that died.
    std::thread dead([] { CreateMutexA(nullptr, TRUE, MutexName); });
    dead.join();
    WindowClassHandshake next(ClassName, MutexName);
    EXPECT_EQ(next.closeEarlierInstance(1s), EarlierInstance::None);
    EXPECT_TRUE(next.listen([] {}));
}
