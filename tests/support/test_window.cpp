// A window of the tests' own for Wayland sessions: it shows itself with the
// title and size it is given, says on stdout when it is shown and when it is
// asked to close, and takes a new title from a line "title TEXT" on stdin.
//
//   vornel_test_window TITLE WIDTHxHEIGHT [--without-delete-protocol]
//   vornel_test_window --deaf-tray-watcher
//
// On X (QT_QPA_PLATFORM=xcb), --without-delete-protocol takes WM_DELETE_WINDOW
// out of the window's WM_PROTOCOLS, as old X clients have it: a window manager
// can then only kill the client.
//
// --deaf-tray-watcher: no window, but a panel that hangs: it takes the
// StatusNotifierWatcher's bus name, answers no call, and says ten times a
// second that a host registered. It prints "watching" once it holds the name.
#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

class RecordingWindow : public QWidget {
protected:
    void showEvent(QShowEvent*) override { say("shown"); }
    // The close is recorded and accepted: the window goes as a user's would.
    void closeEvent(QCloseEvent* event) override {
        say("close");
        event->accept();
    }

private:
    static void say(const char* what) {
        std::printf("%s\n", what);
        std::fflush(stdout);
    }
};

void withoutDeleteProtocol(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    xcb_connection_t* c = x11->connection();
    const char name[] = "WM_PROTOCOLS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    if (!atom) return;
    xcb_delete_property(c, xcb_window_t(window.winId()), atom->atom);
    std::free(atom);
    xcb_flush(c);
}

// Every call to its path is taken and never answered.
class DeafObject : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

int deafTrayWatcher(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    DeafObject deaf;
    const QString path = QStringLiteral("/StatusNotifierWatcher");
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.registerVirtualObject(path, &deaf) || !bus.registerService(name)) return 1;
    std::printf("watching\n");
    std::fflush(stdout);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        bus.send(
            QDBusMessage::createSignal(path, name, QStringLiteral("StatusNotifierHostRegistered")));
    });
    ticker.start(100);
    return app.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::string(argv[1]) == "--deaf-tray-watcher")
        return deafTrayWatcher(argc, argv);
    // The compositor's window rules find the window by this application id.
    QGuiApplication::setDesktopFileName(QStringLiteral("vornel-test-window"));
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE WIDTHxHEIGHT [--without-delete-protocol]\n", argv[0]);
        return 2;
    }
    const QStringList size = QString::fromLocal8Bit(argv[2]).split('x');
    RecordingWindow window;
    window.setWindowTitle(QString::fromUtf8(argv[1]));
    window.resize(size.value(0).toInt(), size.value(1).toInt());
    // Created, not yet shown: the window manager reads the protocols at mapping.
    window.winId();
    if (argc > 3 && std::string(argv[3]) == "--without-delete-protocol")
        withoutDeleteProtocol(window);
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            input.setEnabled(false);
            return;
        }
        if (line.rfind("title ", 0) == 0)
            window.setWindowTitle(QString::fromStdString(line.substr(6)));
    });
    const int code = app.exec();
    // Qt 6.4's Wayland client can deadlock while it tears its display down
    // (its event thread waits in wl_display_read_events for a reader that is
    // gone; seen under KWin 5 on a loaded machine, after a close from the
    // compositor): a window that was asked to close must also end.
    std::fflush(stdout);
    std::_Exit(code);
}
