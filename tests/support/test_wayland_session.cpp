// The sessions of the Wayland tests end everything they started: a program
// that a session's bus starts on demand (KDE's desktop portal) may not watch
// the bus and would outlive it.
#include "support/wayland_session.h"

#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

using namespace vornel::test;

namespace {

// A zombie that nobody reaps counts as gone.
bool alive(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    return !line.mid(line.lastIndexOf(')') + 2).startsWith('Z');
}

} // namespace

TEST(WaylandSessionScript, StopEndsWhatTheSessionLeftBehindAndNothingElse) {
    auto session = std::make_unique<WaylandSession>("weston");
    ASSERT_TRUE(session->started());
    const QString runtime = sessionVariable(session->dir(), "XDG_RUNTIME_DIR");
    ASSERT_FALSE(runtime.isEmpty());

    // Cut off from whoever started it, as a program started by the bus is.
    const QByteArray out = runInSession(
        session->dir(), "sh", {"-c", "setsid sleep 600 </dev/null >/dev/null 2>&1 & echo $!"});
    const qint64 leftBehind = out.trimmed().toLongLong();
    ASSERT_GT(leftBehind, 0);
    ASSERT_TRUE(alive(leftBehind));

    // Not of the session, though its runtime folder's name starts alike.
    QProcess outsider;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime + "-other");
    outsider.setProcessEnvironment(env);
    outsider.start("sleep", {"600"});
    ASSERT_TRUE(outsider.waitForStarted());

    session.reset();
    EXPECT_TRUE(waitUntilTrue([&] { return !alive(leftBehind); }, 5000));
    EXPECT_TRUE(alive(outsider.processId()));
    outsider.kill();
    outsider.waitForFinished();
    if (alive(leftBehind)) ::kill(pid_t(leftBehind), SIGKILL);
}
