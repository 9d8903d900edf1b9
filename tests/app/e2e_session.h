#pragma once

// The real vornel binary on the test display: started from a folder of its
// own (its settings and log live beside it), with a runtime folder of its own
// for the instance handshake, and watched through the display with xdotool.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <memory>
#include <sys/stat.h>

namespace vornel::test {

// Output of a helper program (xdotool), empty when it failed.
inline QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

inline bool waitUntil(const std::function<bool()>& condition, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition()) return true;
        QThread::msleep(20);
    }
    return condition();
}

struct ShownWindow {
    QString id;
    QRect rect;
    QString name;
};

// The mapped windows of class pattern on the display.
inline std::vector<ShownWindow> shownWindows(const QString& classPattern) {
    std::vector<ShownWindow> windows;
    const QString ids = run("xdotool", {"search", "--onlyvisible", "--class", classPattern});
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
        ShownWindow w{id, {}, run("xdotool", {"getwindowname", id})};
        int x = 0, y = 0, width = 0, height = 0;
        for (const QString& line :
             run("xdotool", {"getwindowgeometry", "--shell", id}).split('\n')) {
            const QStringList kv = line.split('=');
            if (kv.size() != 2) continue;
            const int v = kv[1].toInt();
            if (kv[0] == "X") x = v;
            if (kv[0] == "Y") y = v;
            if (kv[0] == "WIDTH") width = v;
            if (kv[0] == "HEIGHT") height = v;
        }
        w.rect = QRect(x, y, width, height);
        if (!w.rect.isEmpty()) windows.push_back(w);
    }
    return windows;
}

class VornelFolder {
public:
    VornelFolder() {
        QFile::copy(qEnvironmentVariable("VORNEL_BINARY"), binary());
        QDir().mkpath(runtime());
        chmod(QFile::encodeName(runtime()).constData(), 0700);
    }
    QString binary() const { return dir_.filePath("vornel"); }
    QString runtime() const { return dir_.filePath("runtime"); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& content) const {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly)) f.write(content);
    }
    // The handshake's socket is there once an instance listens.
    bool instanceListening() const {
        return !QDir(runtime()).entryList({"vornel-*"}, QDir::System).isEmpty();
    }

    std::unique_ptr<QProcess> start() const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_RUNTIME_DIR", runtime());
        env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        // No session bus: the icon goes to the XEmbed tray of the display.
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.remove("VORNEL_CONFIG_DIR");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(binary(), {});
        p->waitForStarted(5000);
        return p;
    }

private:
    QTemporaryDir dir_;
};

// Ends a process that a failed test left running.
inline void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.kill();
    p.waitForFinished(5000);
}

} // namespace vornel::test
