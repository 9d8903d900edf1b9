// The handshake of the Windows program, between two handshakes of this
// process (the end-to-end test runs it between two processes).
#include "app/window_class_handshake.h"
#include "windows_test_support.h"

#include <gtest/gtest.h>
#include <thread>

using namespace vornel;
using namespace vornel::test;
using namespace std::chrono_literals;

namespace {

// A class and mutex of the test's own, so that a running Vornel is never asked.
WindowClassHandshake handshake() {
    return WindowClassHandshake("TestVornelTray", "Local\\Vornel-test-instance");
}

} // namespace

TEST(WindowClassHandshake, ANewerInstanceClosesTheRunningOneAndTakesItsPlace) {
    WindowClassHandshake first = handshake();
    EXPECT_FALSE(first.closeEarlierInstance(1s)) << "no instance runs yet";
    int closed = 0;
    ASSERT_TRUE(first.listen([&] { ++closed; }));
    // Found by the lower-case spelling of its class, as the program looks for it.
    EXPECT_EQ(FindWindowA("testVornelTray", nullptr), first.window());
    EXPECT_FALSE(IsWindowVisible(first.window()));

    WindowClassHandshake second = handshake();
    EXPECT_TRUE(second.closeEarlierInstance(5s));
    // The send returned after the close ran: its saving was done by then.
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(first.window(), nullptr);
    EXPECT_EQ(FindWindowA("testVornelTray", nullptr), nullptr);

    ASSERT_TRUE(second.listen([] {}));
    EXPECT_EQ(FindWindowA("testVornelTray", nullptr), second.window());
    second.stopListening();
    EXPECT_EQ(FindWindowA("testVornelTray", nullptr), nullptr);
    EXPECT_EQ(closed, 1);
}

TEST(WindowClassHandshake, OnlyOneOfTwoInstancesHoldsTheNameAndAHungOneIsNotWaitedForEver) {
    // Another thread of ours holds the mutex and never makes its window: an
    // instance that hangs half-started.
    HANDLE held = nullptr;
    std::thread other([&held] {
        held = CreateMutexA(nullptr, TRUE, "Local\\Vornel-test-instance");
        Sleep(13000);
        ReleaseMutex(held);
        CloseHandle(held);
    });
    ASSERT_TRUE(waitUntil([&] { return held != nullptr; }));
    WindowClassHandshake late = handshake();
    QDeadlineTimer took(60000);
    EXPECT_FALSE(late.listen([] {})) << "two instances would run";
    EXPECT_LT(took.remainingTime(), 60000 - 9000) << "gave up before its ten seconds";
    EXPECT_EQ(late.window(), nullptr);
    other.join();

    // Once the mutex is free, the name is taken.
    WindowClassHandshake next = handshake();
    EXPECT_TRUE(next.listen([] {}));
}
