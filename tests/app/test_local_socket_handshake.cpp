#include "app/local_socket_handshake.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vornel;
using namespace std::chrono_literals;

namespace {

// The running instance, on a thread of its own with its own event loop, as
// the earlier process would be.
class EarlierInstance {
public:
    // closeTakes: how long its shutdown (icon removal and save) lasts.
    EarlierInstance(const QString& path, std::chrono::milliseconds closeTakes = 0ms) {
        thread_ = QThread::create([this, path, closeTakes] {
            LocalSocketHandshake handshake(path);
            QEventLoop loop;
            listening_ = handshake.listen([&] {
                QThread::msleep(closeTakes.count());
                saved_ = true;
                loop.quit();
            });
            ready_ = true;
            if (listening_) loop.exec();
        });
        thread_->start();
        while (!ready_)
            QThread::msleep(1);
    }
    ~EarlierInstance() {
        thread_->quit();
        thread_->wait();
        delete thread_;
    }
    bool listening() const { return listening_; }
    bool saved() const { return saved_; }
    void waitUntilEnded() { thread_->wait(); }

private:
    QThread* thread_ = nullptr;
    std::atomic<bool> ready_{false}, listening_{false}, saved_{false};
};

// What a crashed instance leaves behind: the socket file, nobody listening.
void leaveStaleSocket(const QString& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

class Handshake : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("vornel.socket");
};

} // namespace

TEST_F(Handshake, WithNoInstanceRunningNothingIsFoundAndTheNameIsTaken) {
    LocalSocketHandshake handshake(path);
    EXPECT_FALSE(handshake.closeEarlierInstance(1s));
    EXPECT_TRUE(handshake.listen([] {}));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Handshake, ANewInstanceWaitsUntilTheRunningOneHasSaved) {
    EarlierInstance earlier(path, 300ms);
    ASSERT_TRUE(earlier.listening());
    LocalSocketHandshake handshake(path);
    EXPECT_TRUE(handshake.closeEarlierInstance(10s));
    EXPECT_TRUE(earlier.saved());
    // The earlier one gave up its name before answering: ours needs no clean-up.
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(handshake.listen([] {}));
    earlier.waitUntilEnded();
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Handshake, TheWaitIsBoundedAndAnUnansweringInstanceLosesItsName) {
    // The earlier instance accepts the connection but its loop never runs.
    std::atomic<bool> release{false};
    QThread* hung = QThread::create([&] {
        LocalSocketHandshake handshake(path);
        handshake.listen([] {});
        while (!release)
            QThread::msleep(5);
    });
    hung->start();
    while (!QFile::exists(path))
        QThread::msleep(1);

    LocalSocketHandshake handshake(path);
    EXPECT_TRUE(handshake.closeEarlierInstance(200ms));
    EXPECT_TRUE(handshake.listen([] {}));
    release = true;
    hung->wait();
    delete hung;
}

TEST_F(Handshake, AFileLeftByACrashedInstanceIsReplaced) {
    leaveStaleSocket(path);
    ASSERT_TRUE(QFile::exists(path));
    LocalSocketHandshake handshake(path);
    EXPECT_FALSE(handshake.closeEarlierInstance(1s));
    EXPECT_TRUE(handshake.listen([] {}));
    QLocalSocket probe;
    probe.connectToServer(path);
    EXPECT_TRUE(probe.waitForConnected(1000));
}

TEST_F(Handshake, OnlyTheCloseRequestClosesTheInstance) {
    int closes = 0;
    LocalSocketHandshake handshake(path);
    ASSERT_TRUE(handshake.listen([&] { ++closes; }));
    QLocalSocket other;
    other.connectToServer(path);
    ASSERT_TRUE(other.waitForConnected(1000));
    other.write("closed?\n");
    other.flush();
    QElapsedTimer waited;
    waited.start();
    while (other.state() == QLocalSocket::ConnectedState && waited.elapsed() < 2000) {
        QCoreApplication::processEvents();
        other.waitForDisconnected(10);
    }
    EXPECT_EQ(other.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Handshake, TheSocketIsOpenToItsUserOnly) {
    LocalSocketHandshake handshake(path);
    ASSERT_TRUE(handshake.listen([] {}));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_EQ(st.st_uid, geteuid());
}

TEST(HandshakeSocketPath, OnePerUserAndDisplayInAPrivateFolder) {
    EXPECT_EQ(LocalSocketHandshake::displayKey(":0"), LocalSocketHandshake::displayKey(":0.0"));
    EXPECT_NE(LocalSocketHandshake::displayKey(":0"), LocalSocketHandshake::displayKey(":1"));
    EXPECT_NE(LocalSocketHandshake::displayKey("host:0"), LocalSocketHandshake::displayKey(":0"));
    EXPECT_FALSE(LocalSocketHandshake::displayKey("../../x:0").contains('/'));

    QTemporaryDir runtime;
    ASSERT_EQ(chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    qputenv("DISPLAY", ":7");
    const QString inRuntime = LocalSocketHandshake::defaultSocketPath();
    EXPECT_TRUE(inRuntime.startsWith(runtime.path() + "/")) << inRuntime.toStdString();
    qputenv("DISPLAY", ":8.0");
    EXPECT_NE(LocalSocketHandshake::defaultSocketPath(), inRuntime);
    // Two Wayland sessions, with or without XWayland, have a socket each.
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    const QString firstSession = LocalSocketHandshake::defaultSocketPath();
    qputenv("WAYLAND_DISPLAY", "wayland-2");
    EXPECT_NE(LocalSocketHandshake::defaultSocketPath(), firstSession);
    qunsetenv("DISPLAY");
    const QString noX = LocalSocketHandshake::defaultSocketPath();
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    EXPECT_NE(LocalSocketHandshake::defaultSocketPath(), noX);
    EXPECT_TRUE(noX.startsWith(runtime.path() + "/")) << noX.toStdString();
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":8.0");

    // A runtime folder that others can enter is not used.
    ASSERT_EQ(chmod(QFile::encodeName(runtime.path()).constData(), 0755), 0);
    QTemporaryDir temp;
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    const QString fallback = LocalSocketHandshake::defaultSocketPath();
    EXPECT_TRUE(fallback.startsWith(temp.path() + "/vornel-")) << fallback.toStdString();
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(fallback).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A fallback folder that someone else could have prepared is refused.
    ASSERT_EQ(chmod(QFile::encodeName(QFileInfo(fallback).path()).constData(), 0777), 0);
    EXPECT_TRUE(LocalSocketHandshake::defaultSocketPath().isEmpty());
    LocalSocketHandshake disabled(QString{});
    EXPECT_FALSE(disabled.closeEarlierInstance(1s));
    EXPECT_FALSE(disabled.listen([] {}));
    qunsetenv("TMPDIR");
}
