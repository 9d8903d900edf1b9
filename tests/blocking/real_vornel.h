#pragma once

// The real vornel binary, copied into a temporary folder of its own (its
// settings and log files live beside it), run on the tests' private X display
// and driven with xdotool the way a user drives it: mouse clicks at the
// controls' places.
#include "support/x11_display.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace vornel::test {

// Waits up to timeoutMs for done() to hold.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

inline QProcessEnvironment displayEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(testDisplay()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    // Nothing of the user's own: autostart entry, runtime sockets, settings.
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    env.insert("LC_ALL", "C");
    env.insert("LANG", "C");
    return env;
}

// Output of xdotool with these arguments; empty when it failed.
inline QString xdotool(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(testDisplay()));
    p.setProcessEnvironment(env);
    p.start("xdotool", args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The client area of a window in screen coordinates.
inline QRect windowGeometry(const QString& window) {
    const QString out = xdotool({"getwindowgeometry", "--shell", window});
    QRect r;
    for (const QString& line : out.split('\n')) {
        const QStringList kv = line.split('=');
        if (kv.size() != 2) continue;
        const int v = kv[1].toInt();
        if (kv[0] == "X") r.moveLeft(v);
        if (kv[0] == "Y") r.moveTop(v);
        if (kv[0] == "WIDTH") r.setWidth(v);
        if (kv[0] == "HEIGHT") r.setHeight(v);
    }
    return r;
}

// A left click at x, y of a window's client area.
inline void clickAt(const QString& window, int x, int y) {
    xdotool({"mousemove", "--sync", "--window", window, QString::number(x), QString::number(y)});
    xdotool({"click", "1"});
}

class RealVornel {
public:
    RealVornel() {
        QDir().mkpath(home_.path() + "/runtime");
        QFile::setPermissions(home_.path() + "/runtime",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        program_ = folder_.filePath("vornel");
        EXPECT_TRUE(QFile::copy(VORNEL_BINARY, program_));
    }
    ~RealVornel() { stop(); }

    QString file(const QString& name) const { return folder_.filePath(name); }

    void start() {
        process_.setProcessEnvironment(displayEnvironment(home_.path()));
        process_.setWorkingDirectory(folder_.path());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(program_, {});
        ASSERT_TRUE(process_.waitForStarted());
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // The process's visible windows whose client area has this size.
    QStringList windowsOfSize(QSize size) const {
        QStringList found;
        const QString ids = xdotool(
            {"search", "--all", "--onlyvisible", "--pid", QString::number(process_.processId())});
        for (const QString& id : ids.split('\n', Qt::SkipEmptyParts))
            if (windowGeometry(id).size() == size) found << id;
        return found;
    }

    // Waits for exactly one visible window of that size and returns it.
    QString waitForWindow(QSize size) const {
        QString window;
        waitUntil([&] {
            QStringList w = windowsOfSize(size);
            if (w.size() == 1) window = w.first();
            return !window.isEmpty();
        });
        return window;
    }

    QProcess& process() { return process_; }

private:
    QTemporaryDir folder_;
    QTemporaryDir home_;
    QString program_;
    QProcess process_;
};

} // namespace vornel::test
