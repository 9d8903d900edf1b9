// The longest stall of the program's event loop while a peer on the session
// bus never answers: a tray watcher that holds its name, answers no call and
// says ten times a second that a host registered, as a hung panel does. The
// program's tray watch runs against it for a while; a timer that should fire
// every millisecond measures the gaps. On Wayland the watch keeps asking
// until a host is there, so measure_bus_stall.sh runs it in a headless sway
// on a bus of its own.
//
// With "gnome" after the seconds, the peer is a GNOME Shell that answers
// nothing and whose extension says ten times a second that the windows
// changed, as a busy shell would; the GNOME desktop starts against it and
// its model is walked five times a second, as the scan does.
//
// With "xwayland", the peer is an XWayland that takes connections and never
// answers, and a close to one of its windows is asked five times a second,
// each time of another window, as the scan does when pop-ups keep coming.
#include "app/tray_host.h"
#include "blocking/desktops/gnome_desktop.h"
#include "blocking/desktops/xwayland_protocols.h"
#include "support/deaf_x_server.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

class DeafObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

// Runs the event loop for seconds with a timer due every millisecond, and
// prints the gaps between its ticks after what header prints.
int measureGaps(QApplication& app, int seconds, const std::function<void()>& header) {
    std::vector<qint64> gaps;
    QElapsedTimer clock, total;
    clock.start();
    total.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        gaps.push_back(clock.nsecsElapsed());
        clock.restart();
        if (total.elapsed() > seconds * 1000) app.quit();
    });
    tick.start(1);
    app.exec();

    std::sort(gaps.begin(), gaps.end());
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    header();
    std::printf("  ticks: %zu, event loop gap: median %.2f ms, 99th %.2f ms, longest %.2f ms\n",
                gaps.size(), ms(gaps[gaps.size() / 2]), ms(gaps[gaps.size() * 99 / 100]),
                ms(gaps.back()));
    return 0;
}

// Questions to an XWayland that never answers.
int measureXWayland(QApplication& app, int seconds) {
    vornel::test::DeafXServer deaf;
    if (!deaf.listening()) {
        std::fprintf(stderr, "no socket for a silent X server\n");
        return 1;
    }
    int asked = 0, givenUp = 0;
    vornel::XWaylandQuestions questions(
        deaf.display(), [&](const std::string& notice) { givenUp += !notice.empty(); });
    QTimer asks;
    QObject::connect(&asks, &QTimer::timeout, [&] {
        ++asked;
        questions.listsDeleteWindow(vornel::WindowHandle(asked), 0x200001);
    });
    asks.start(200);
    return measureGaps(app, seconds, [&] {
        std::printf("XWayland that never answers (display %s), %d s, a close asked every 200 ms\n"
                    "  closes asked: %d, given up on: %d\n",
                    deaf.display().c_str(), seconds, asked, givenUp);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (argc > 2 && std::strcmp(argv[2], "xwayland") == 0) return measureXWayland(app, seconds);
    const bool gnome = argc > 2 && std::strcmp(argv[2], "gnome") == 0;
    QDBusConnection deafBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "deaf");
    DeafObject deaf;
    const QString path =
        gnome ? QStringLiteral("/org/vornel/Windows") : QStringLiteral("/StatusNotifierWatcher");
    const QString name =
        gnome ? QStringLiteral("org.gnome.Shell") : QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!deafBus.registerVirtualObject(path, &deaf) ||
        (gnome && !deafBus.registerVirtualObject(QStringLiteral("/org/gnome/Shell"), &deaf)) ||
        !deafBus.registerService(name)) {
        std::fprintf(stderr, "no session bus to take the peer's name on\n");
        return 1;
    }
    QTimer signals10;
    QObject::connect(&signals10, &QTimer::timeout, [&] {
        deafBus.send(gnome ? QDBusMessage::createSignal(path, QStringLiteral("org.vornel.Windows"),
                                                        QStringLiteral("Changed"))
                           : QDBusMessage::createSignal(
                                 path, name, QStringLiteral("StatusNotifierHostRegistered")));
    });
    signals10.start(100);

    QObject context;
    bool ready = false;
    bool readyAtOnce = false;
    std::unique_ptr<vornel::GnomeDesktop> shell;
    double connectMs = 0; // before the event loop runs: a stall of its own
    QTimer walks;
    if (gnome) {
        QElapsedTimer connecting;
        connecting.start();
        shell = vornel::GnomeDesktop::connect({});
        connectMs = double(connecting.nsecsElapsed()) / 1e6;
        if (!shell) {
            std::fprintf(stderr, "the GNOME desktop did not start\n");
            return 1;
        }
        shell->watchNotice([&](const std::string& notice) { ready = notice.empty(); });
        QObject::connect(&walks, &QTimer::timeout, [&] { shell->beginWalk(); });
        walks.start(200);
    } else {
        readyAtOnce = vornel::trayHostReady(&context, [&] { ready = true; });
    }

    return measureGaps(app, seconds, [&] {
        if (gnome)
            std::printf("GNOME desktop (%s) against a shell that never answers, %d s, changes "
                        "every 100 ms\n  start-up: %.2f ms\n  notice: %s\n",
                        qPrintable(QGuiApplication::platformName()), seconds, connectMs,
                        qPrintable(shell->notice()));
        else
            std::printf("tray watch (%s) against a watcher that never answers, %d s, signals every "
                        "100 ms\n",
                        qPrintable(QGuiApplication::platformName()), seconds);
        std::printf("  ready: %s\n", readyAtOnce || ready ? "yes" : "no");
    });
}
