#include "app/local_socket_handshake.h"
#include "support/qt_print.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace vornel;
using namespace std::chrono_literals;

namespace {

// The running instance, on a thread of its own with its own event loop, as
// the earlier process would be.
class RunningInstance {
public:
    // closeTakes: how long its shutdown (icon removal and save) lasts.
    RunningInstance(const QString& path, std::chrono::milliseconds closeTakes = 0ms) {
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
    ~RunningInstance() {
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
    EXPECT_EQ(handshake.closeEarlierInstance(1s), EarlierInstance::None);
    EXPECT_TRUE(handshake.listen([] {}));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Handshake, ANewInstanceWaitsUntilTheRunningOneHasSaved) {
    RunningInstance earlier(path, 300ms);
    ASSERT_TRUE(earlier.listening());
    LocalSocketHandshake handshake(path);
    EXPECT_EQ(handshake.closeEarlierInstance(10s), EarlierInstance::Closed);
    EXPECT_TRUE(earlier.saved());
    // The earlier one gave up its name before answering: ours needs no clean-up.
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(handshake.listen([] {}));
    earlier.waitUntilEnded();
    EXPECT_TRUE(QFile::exists(path));
}

// A hung instance keeps its lock, its socket and its files: a start that gets
// no answer in time gives up, and the request it left is not obeyed when the
// hung one wakes, since nobody would take its place.
TEST_F(Handshake, TheWaitIsBoundedAndAnUnansweringInstanceKeepsEverything) {
    std::atomic<bool> release{false}, closedAfterWaking{false};
    QThread* hung = QThread::create([&] {
        LocalSocketHandshake handshake(path);
        handshake.listen([&] { closedAfterWaking = true; });
        while (!release)
            QThread::msleep(5);
        QEventLoop awake;
        QTimer::singleShot(500, &awake, &QEventLoop::quit);
        awake.exec();
    });
    hung->start();
    while (!QFile::exists(path))
        QThread::msleep(1);

    {
        LocalSocketHandshake handshake(path);
        EXPECT_EQ(handshake.closeEarlierInstance(200ms), EarlierInstance::StillRunning);
        EXPECT_FALSE(handshake.listen([] {}));
        EXPECT_TRUE(QFile::exists(path));
    }
    EXPECT_TRUE(QFile::exists(path)) << "the start that gave up removed the socket";
    release = true;
    hung->wait();
    delete hung;
    EXPECT_FALSE(closedAfterWaking);
}

// Several starts at once: each asks whoever holds the lock, and exactly one
// runs on; none gives up while the others hand over.
TEST_F(Handshake, OfSeveralStartsAtOnceExactlyOneRunsOn) {
    constexpr int Starts = 5;
    std::atomic<int> closed{0}, gaveUp{0}, running{0};
    std::atomic<bool> end{false};
    std::vector<QThread*> starts;
    for (int i = 0; i < Starts; ++i)
        starts.push_back(QThread::create([&] {
            LocalSocketHandshake handshake(path);
            if (handshake.closeEarlierInstance(10s) == EarlierInstance::StillRunning) {
                ++gaveUp;
                return;
            }
            QEventLoop loop;
            bool asked = false;
            handshake.listen([&] {
                asked = true;
                loop.quit();
            });
            ++running;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (end) loop.quit();
            });
            poll.start(10);
            loop.exec();
            if (asked) ++closed;
            --running;
        }));
    for (QThread* t : starts)
        t->start();

    QElapsedTimer waited;
    waited.start();
    while (closed + gaveUp < Starts - 1 && waited.elapsed() < 60000)
        QThread::msleep(10);
    QThread::msleep(300);
    EXPECT_EQ(gaveUp, 0);
    EXPECT_EQ(closed, Starts - 1);
    EXPECT_EQ(running, 1);
    EXPECT_TRUE(QFile::exists(path));
    end = true;
    for (QThread* t : starts) {
        t->wait();
        delete t;
    }
    // The last one removed its socket as it ended, and nobody holds the lock.
    EXPECT_FALSE(QFile::exists(path));
    LocalSocketHandshake after(path);
    EXPECT_EQ(after.closeEarlierInstance(1s), EarlierInstance::None);
}

TEST_F(Handshake, AFileLeftByACrashedInstanceIsReplaced) {
    leaveStaleSocket(path);
    ASSERT_TRUE(QFile::exists(path));
    LocalSocketHandshake handshake(path);
    EXPECT_EQ(handshake.closeEarlierInstance(1s), EarlierInstance::None);
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
    ASSERT_EQ(lstat(QFile::encodeName(LocalSocketHandshake::lockPath(path)).constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
}

// A program the instance starts (a browser for the help page, say) may
// outlive it; it must not keep the instance's lock.
TEST_F(Handshake, AProgramStartedByTheInstanceDoesNotKeepItsLock) {
    QProcess child;
    {
        LocalSocketHandshake handshake(path);
        ASSERT_TRUE(handshake.listen([] {}));
        child.start("sleep", {"30"});
        ASSERT_TRUE(child.waitForStarted());
    }
    LocalSocketHandshake next(path);
    EXPECT_EQ(next.closeEarlierInstance(300ms), EarlierInstance::None);
    child.kill();
    child.waitForFinished();
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

    // A runtime folder that others can enter is not used: the fallback is a
    // folder of ours in the user's cache.
    ASSERT_EQ(chmod(QFile::encodeName(runtime.path()).constData(), 0755), 0);
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    const QString fallback = LocalSocketHandshake::defaultSocketPath();
    EXPECT_EQ(QFileInfo(fallback).path(), cache.path() + "/vornel") << fallback.toStdString();
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(fallback).path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A home may be shared by several machines.
    EXPECT_TRUE(QFileInfo(fallback).fileName().startsWith(
        "vornel-" + QSysInfo::machineHostName().section('.', 0, 0) + "-display"))
        << fallback.toStdString();
    // Whatever another user has made in the temporary folder under our name.
    QTemporaryDir temp;
    const QString squatted = temp.filePath(QStringLiteral("vornel-%1").arg(geteuid()));
    ASSERT_TRUE(QDir().mkdir(squatted));
    ASSERT_EQ(chmod(QFile::encodeName(squatted).constData(), 0777), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);
    }
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    EXPECT_EQ(LocalSocketHandshake::defaultSocketPath(), fallback);
    LocalSocketHandshake inCache(fallback);
    EXPECT_EQ(inCache.closeEarlierInstance(1s), EarlierInstance::None);
    EXPECT_TRUE(inCache.listen([] {}));
    qunsetenv("TMPDIR");

    // A cache folder that someone else could have prepared is refused, and a
    // start without a lock is told so rather than let run beside another.
    const QString cacheFolder = QFileInfo(fallback).path();
    ASSERT_EQ(chmod(QFile::encodeName(cacheFolder).constData(), 0770), 0);
    EXPECT_TRUE(LocalSocketHandshake::defaultSocketPath().isEmpty());
    ASSERT_EQ(chmod(QFile::encodeName(cacheFolder).constData(), 0700), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(QFile::encodeName(cacheFolder).constData(), 65534, 65534), 0);
        EXPECT_TRUE(LocalSocketHandshake::defaultSocketPath().isEmpty());
    }
    LocalSocketHandshake noLock(QString{});
    EXPECT_EQ(noLock.closeEarlierInstance(1s), EarlierInstance::NoLock);
    EXPECT_FALSE(noLock.listen([] {}));
    qunsetenv("XDG_CACHE_HOME");
}
