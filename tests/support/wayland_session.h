#pragma once

// The headless Wayland sessions of the wayland tests: the shared sway session
// that the sway_setup fixture started (VORNEL_TEST_SWAY_DIR holds its
// folder), and private ones that a test or a benchmark starts for itself with
// the same script. Every program inside a session runs as the session's user
// (not root) through the script's "run".
#include "blocking/desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace vornel::test {

// The shared sway session's folder; empty outside the sway fixture.
inline QString swayTestDir() {
    return qEnvironmentVariable("VORNEL_TEST_SWAY_DIR");
}

// One variable of a session's environment, as its programs see it.
inline QString sessionVariable(const QString& dir, const QString& name) {
    QFile env(dir + "/env");
    if (!env.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : env.readAll().split('\n'))
        if (line.startsWith(name.toUtf8() + '='))
            return QString::fromUtf8(line.mid(name.size() + 1));
    return {};
}

// A QProcess that starts program inside the session.
inline void startInSession(QProcess& process, const QString& dir, const QString& program,
                           const QStringList& arguments) {
    process.start(VORNEL_WAYLAND_SESSION, QStringList{"run", dir, "--", program} + arguments);
}

// The standard output of a program run inside the session; empty when it failed.
inline QByteArray runInSession(const QString& dir, const QString& program,
                               const QStringList& arguments) {
    QProcess p;
    startInSession(p, dir, program, arguments);
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return p.readAllStandardOutput();
}

inline QJsonObject swayTree(const QString& dir) {
    return QJsonDocument::fromJson(runInSession(dir, "swaymsg", {"-r", "-t", "get_tree"})).object();
}

inline bool swaymsg(const QString& dir, const QString& command) {
    QProcess p;
    startInSession(p, dir, "swaymsg", {command});
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

// Every container of the tree that holds a client, depth first.
inline void forEachWindow(const QJsonObject& node,
                          const std::function<void(const QJsonObject&)>& f) {
    if (node.contains("shell")) f(node);
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue& child : node[children].toArray())
            forEachWindow(child.toObject(), f);
}

// Waits up to timeoutMs for done() to hold, letting the event loop run.
inline bool waitWithEvents(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

// A close request as the scan makes it: made again, the event loop running in
// between, while the desktop waits for another program (XWayland) to decide
// it. Pending still after timeoutMs.
inline CloseRequest decidedClose(Desktop& desktop, WindowHandle window, int timeoutMs = 5000) {
    CloseRequest request = CloseRequest::Pending;
    waitWithEvents([&] { return (request = desktop.PostClose(window)) != CloseRequest::Pending; },
                   timeoutMs);
    return request;
}

// Waits up to timeoutMs for done() to hold, without running the event loop.
inline bool waitUntilTrue(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

// The session script with these arguments, its output passed on; whether it
// succeeded within two minutes. A script that hangs is ended and said so,
// rather than holding the test until the suite's timeout kills it silently.
inline bool sessionScript(const QStringList& arguments) {
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(VORNEL_WAYLAND_SESSION, arguments);
    if (script.waitForFinished(120000))
        return script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    script.kill();
    script.waitForFinished(5000);
    ADD_FAILURE() << "wayland_session " << arguments.join(' ').toStdString()
                  << " did not end within two minutes";
    return false;
}

// A private session for the lifetime of the object; started() says whether
// it answered.
class WaylandSession {
public:
    WaylandSession(const QString& compositor, bool xwayland = false) {
        QStringList arguments{"start", dir_.path(), compositor};
        if (xwayland) arguments << "--xwayland";
        started_ = sessionScript(arguments);
    }
    ~WaylandSession() { sessionScript({"stop", dir_.path()}); }
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool started() const { return started_; }
    QString dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool started_ = false;
};

// The user the sessions run as.
inline QString sessionUser() {
    QProcess p;
    p.start(VORNEL_WAYLAND_SESSION, {"user", "."});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// A program of the build, copied into the session's runtime folder and given
// to its user: the build folder may be closed to that user (a root's home).
inline QString runnableInSession(const QString& dir, const QString& program) {
    const QString copy =
        sessionVariable(dir, "XDG_RUNTIME_DIR") + '/' + QFileInfo(program).fileName();
    if (!QFile::exists(copy) && QFile::copy(program, copy) && geteuid() == 0)
        QProcess::execute("chown", {sessionUser() + ":", copy});
    return copy;
}

// A window of the tests' own (vornel_test_window) in a session: it reports
// on its standard output when it shows and when it is asked to close.
class TestWindow {
public:
    // platform "xcb" makes it an XWayland window; options go to the program.
    TestWindow(const QString& dir, const QString& title, QSize size,
               const QString& platform = "wayland", const QStringList& options = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        process_.setProcessEnvironment(env);
        startInSession(
            process_, dir, runnableInSession(dir, qEnvironmentVariable("VORNEL_TEST_WINDOW")),
            QStringList{title, QString("%1x%2").arg(size.width()).arg(size.height())} + options);
    }
    ~TestWindow() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    bool waitShown() { return waitFor("shown"); }
    // Whether it was asked to close (and so ended) within timeoutMs.
    bool waitClosed(int timeoutMs = 5000) {
        return waitFor("close", timeoutMs) && process_.waitForFinished(timeoutMs);
    }
    bool sawClose() {
        output_ += process_.readAllStandardOutput();
        return output_.contains("close\n");
    }
    void retitle(const QString& title) {
        process_.write(("title " + title + "\n").toUtf8());
        process_.waitForBytesWritten(1000);
    }
    qint64 pid() const { return process_.processId(); }
    bool running() { return !process_.waitForFinished(1); }

private:
    bool waitFor(const QByteArray& line, int timeoutMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!output_.contains(line + '\n')) {
            if (clock.elapsed() > timeoutMs) return false;
            process_.waitForReadyRead(50);
            output_ += process_.readAllStandardOutput();
        }
        return true;
    }

    QProcess process_;
    QByteArray output_;
};

// The sway container of the test window with this title, once it is there.
inline QJsonObject waitForContainer(const QString& dir, const QString& title) {
    QJsonObject found;
    QElapsedTimer clock;
    clock.start();
    while (found.isEmpty() && clock.elapsed() < 10000) {
        forEachWindow(swayTree(dir), [&](const QJsonObject& w) {
            if (w["name"].toString() == title) found = w;
        });
        if (found.isEmpty()) QThread::msleep(50);
    }
    return found;
}

// A folder that the session's user owns, holding a copy of the program file
// alone; the program runs from it inside the session, as that user.
class SessionVornelFolder {
public:
    SessionVornelFolder() {
        const QString binary = qEnvironmentVariable("VORNEL_BINARY");
        EXPECT_TRUE(QFile::copy(binary, file("vornel")))
            << "VORNEL_BINARY names the program under test";
        // Nothing beside it: the program carries what the desktops run for
        // it (the KWin script, the GNOME Shell extension).
        QDir().mkpath(file("home"));
        giveToSessionUser();
    }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& content) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
        f.write(content);
        f.close();
        giveToSessionUser();
    }

    // The program inside the session; its own home and configuration folder,
    // so nothing of the user's is touched.
    void start(QProcess& process, const QString& sessionDir, const QStringList& arguments = {},
               const QStringList& environment = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("XDG_CONFIG_HOME", file("home/.config"));
        // French, the program's own language, unless the test asks for another.
        env.remove("LANGUAGE");
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("LANG", "C.UTF-8");
        env.remove("VORNEL_CONFIG_DIR");
        env.remove("VORNEL_DESKTOP");
        for (const QString& variable : environment)
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir_.path());
        startInSession(process, sessionDir, file("vornel"), arguments);
    }

private:
    void giveToSessionUser() const {
        if (geteuid() != 0) return;
        QProcess::execute("chown", {"-R", sessionUser() + ":", dir_.path()});
    }

    QTemporaryDir dir_;
};

// The lines of a file the program wrote (CR LF or LF).
inline QStringList lines(const QByteArray& text) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(text).split('\n', Qt::SkipEmptyParts))
        out << (line.endsWith('\r') ? line.chopped(1) : line);
    return out;
}

// A key's value in the program's settings file, "(missing)" when it has none.
inline QString iniValue(const SessionVornelFolder& folder, const QString& key) {
    for (const QString& line : lines(folder.read("vornel.ini")))
        if (line.section('=', 0, 0).trimmed() == key) return line.section('=', 1).trimmed();
    return "(missing)";
}

// Ends the program as the session would, with SIGTERM; a program that does
// not end then is killed, and the test fails.
inline void stopPolitely(QProcess& vornel) {
    vornel.terminate();
    if (!vornel.waitForFinished(10000)) {
        vornel.kill();
        vornel.waitForFinished(5000);
        FAIL() << "vornel did not end on SIGTERM";
    }
}

} // namespace vornel::test
