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

// A running instance on a thread of its own: it starts (asking the earlier
// one to close), makes its window startUpMs after it got the mutex, and on a
// close request saves (closed) in closeMs, ends its message loop, and ends a
// moment later.
class RunningInstance {
public:
    explicit RunningInstance(std::chrono::milliseconds timeout = 1s, DWORD startUpMs = 0,
                             DWORD closeMs = 0) {
        thread_ = std::thread([this, timeout, startUpMs, closeMs] {
            WindowClassHandshake handshake(ClassName, MutexName);
            started = handshake.closeEarlierInstance(timeout);
            if (started == EarlierInstance::StillRunning) return;
            Sleep(startUpMs);
            handshake.listen([this, closeMs] {
                Sleep(closeMs);
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

    // NoLock until it has started: this handshake never answers so.
    std::atomic<EarlierInstance> started{EarlierInstance::NoLock};
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

TEST(WindowClassHandshake, StartsMadeAtOnceHandOverOneByOne) {
    // Each newer start takes a while to make its window and to save: together
    // longer than the bound, each alone well within it.
    constexpr auto bound = 3s;
    constexpr DWORD startUpMs = 1500, closeMs = 2200;
    {
        RunningInstance first;
        ASSERT_TRUE(waitUntil([] { return findInstance() != nullptr; }));
        RunningInstance second(bound, startUpMs, closeMs), third(bound, startUpMs, closeMs);
        auto hasStarted = [](const RunningInstance& r) {
            return r.started != EarlierInstance::NoLock;
        };
        EXPECT_TRUE(
            waitUntil([&] { return first.ended && hasStarted(second) && hasStarted(third); }));
        EXPECT_EQ(second.started, EarlierInstance::Closed);
        EXPECT_EQ(third.started, EarlierInstance::Closed);
        // The one left runs on: it is asked to close as a fourth start would.
        while (waitUntil([] { return findInstance() != nullptr; }, 3000))
            SendMessageA(findInstance(), WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(findInstance(), nullptr);
}

TEST(WindowClassHandshake, ANameThisStartMayNotOpenMeansAnotherInstanceRuns) {
    // A name of its own: the dead instance above keeps the other one.
    constexpr const char* TakenName = "Local\\Vornel-test-taken";
    // An object of another kind under the mutex's name.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, TakenName);
    ASSERT_NE(event, nullptr);
    {
        WindowClassHandshake late(ClassName, TakenName);
        EXPECT_EQ(late.closeEarlierInstance(1s), EarlierInstance::OutOfReach);
        EXPECT_FALSE(late.listen([] {})) << "a start that must not run listened";
    }
    CloseHandle(event);

    // A mutex whose owner lets nobody else open it, as one made by an
    // instance run as administrator.
    SECURITY_DESCRIPTOR closed;
    InitializeSecurityDescriptor(&closed, SECURITY_DESCRIPTOR_REVISION);
    ACL emptyList;
    InitializeAcl(&emptyList, sizeof emptyList, ACL_REVISION);
    SetSecurityDescriptorDacl(&closed, TRUE, &emptyList, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &closed, FALSE};
    HANDLE guarded = CreateMutexA(&attributes, TRUE, TakenName);
    ASSERT_NE(guarded, nullptr);
    {
        WindowClassHandshake late(ClassName, TakenName);
        EXPECT_EQ(late.closeEarlierInstance(1s), EarlierInstance::OutOfReach);
    }
    ReleaseMutex(guarded);
    CloseHandle(guarded);
}
