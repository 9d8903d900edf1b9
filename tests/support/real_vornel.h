#pragma once

// The real vornel binary on the tests' private X display: copied into a
// temporary folder of its own (its settings and log live beside it), with a
// home, configuration and runtime folder of its own, and driven and watched
// through the display with xdotool, the way a user drives it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace vornel::test {

// The main window's and the rule editor's client areas.
constexpr QSize MainWindowSize(447, 348);
constexpr QSize EditorSize(426, 162);

// Output of a helper program on the test display; empty when it failed.
inline QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

inline QString xdotool(const QStringList& arguments) {
    return run("xdotool", arguments);
}

// Waits up to timeoutMs of wall-clock time for done() to hold.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

// The client area of a window in screen coordinates.
inline QRect windowGeometry(const QString& window) {
    QRect r;
    for (const QString& line : xdotool({"getwindowgeometry", "--shell", window}).split('\n')) {
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

struct ShownWindow {
    QString id;
    QRect rect;
    QString name;
};

// The mapped windows of class pattern on the display.
inline std::vector<ShownWindow> shownWindows(const QString& classPattern) {
    std::vector<ShownWindow> windows;
    const QString ids = xdotool({"search", "--onlyvisible", "--class", classPattern});
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
        ShownWindow w{id, windowGeometry(id), xdotool({"getwindowname", id})};
        if (!w.rect.isEmpty()) windows.push_back(w);
    }
    return windows;
}

// A left click at x, y of a window's client area.
inline void clickAt(const QString& window, QPoint at) {
    xdotool({"mousemove", "--sync", "--window", window, QString::number(at.x()),
             QString::number(at.y())});
    xdotool({"click", "1"});
}

// Ends a process: politely first (vornel then saves), by force if it hangs.
inline void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.terminate();
    if (p.waitForFinished(5000)) return;
    p.kill();
    p.waitForFinished(5000);
}

// A folder holding a copy of the program; every instance started from it
// shares its settings, its log and its instance handshake.
class VornelFolder {
public:
    VornelFolder() {
        EXPECT_TRUE(QFile::copy(qEnvironmentVariable("VORNEL_BINARY"), binary()))
            << "VORNEL_BINARY names the program under test";
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString binary() const { return file("vornel"); }
    QString runtime() const { return file("runtime"); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& content) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << name.toStdString();
        f.write(content);
    }
    // The machine's settings file, in the program's own $XDG_CONFIG_DIRS.
    QString systemSettings() const { return file("system/vornel/vornel.ini"); }
    void writeSystemSettings(const QByteArray& content) const {
        QDir().mkpath(file("system/vornel"));
        write("system/vornel/vornel.ini", content);
    }
    QString autostartEntry() const { return file("config/autostart/Vornel.desktop"); }
    // The handshake's socket is there once an instance listens.
    bool instanceListening() const {
        return !QDir(runtime()).entryList({"vornel-*"}, QDir::System).isEmpty();
    }

    // A variable of the program's environment, from the next start on.
    void setEnvironment(const QString& name, const QString& value) { extra_.insert(name, value); }

    // channels: SeparateChannels to read what the program says.
    std::unique_ptr<QProcess>
    start(QProcess::ProcessChannelMode channels = QProcess::ForwardedChannels,
          const QStringList& arguments = {}) const {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        p->setWorkingDirectory(dir_.path());
        p->setProcessChannelMode(channels);
        p->start(binary(), arguments);
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

private:
    // Nothing of the user's own: autostart entry, runtime sockets, settings.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("HOME", file("home"));
        env.insert("XDG_CONFIG_HOME", file("config"));
        // Nothing of the machine's settings either, unless the test writes them.
        env.insert("XDG_CONFIG_DIRS", file("system"));
        env.insert("XDG_RUNTIME_DIR", runtime());
        // French, the program's own language, unless the test asks for another.
        env.remove("LANGUAGE");
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("LANG", "C.UTF-8");
        // No session bus: the icon goes to the XEmbed tray of the display.
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.remove("VORNEL_CONFIG_DIR");
        for (const QString& name : extra_.keys())
            env.insert(name, extra_.value(name));
        return env;
    }

    QTemporaryDir dir_;
    QProcessEnvironment extra_;
};

// The process's visible windows whose client area has this size.
inline QStringList windowsOfSize(const QProcess& program, QSize size) {
    QStringList found;
    const QString ids = xdotool(
        {"search", "--all", "--onlyvisible", "--pid", QString::number(program.processId())});
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts))
        if (windowGeometry(id).size() == size) found << id;
    return found;
}

// Waits for exactly one visible window of that size and returns it; empty
// when none showed.
inline QString waitForWindow(const QProcess& program, QSize size) {
    QString window;
    waitUntil([&] {
        const QStringList w = windowsOfSize(program, size);
        if (w.size() == 1) window = w.first();
        return !window.isEmpty();
    });
    return window;
}

// One instance at a time from its own folder, started again as the user
// starts it again, and stopped politely when the test ends.
class RealVornel {
public:
    ~RealVornel() { stop(); }

    QString file(const QString& name) const { return folder_.file(name); }
    VornelFolder& folder() { return folder_; }

    void start() {
        stop();
        process_ = folder_.start();
    }
    void stop() {
        if (process_) vornel::test::stop(*process_);
    }

    QString waitForWindow(QSize size) const { return vornel::test::waitForWindow(*process_, size); }

    QProcess& process() { return *process_; }

private:
    VornelFolder folder_;
    std::unique_ptr<QProcess> process_;
};

} // namespace vornel::test
