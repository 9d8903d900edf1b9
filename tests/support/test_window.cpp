// A window of the tests' own for Wayland sessions: it shows itself with the
// title and size it is given, says on stdout when it is shown and when it is
// asked to close, and takes a new title from a line "title TEXT" on stdin.
//
//   vornel_test_window TITLE WIDTHxHEIGHT
#include <QApplication>
#include <QCloseEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

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

} // namespace

int main(int argc, char* argv[]) {
    // The compositor's window rules find the window by this application id.
    QGuiApplication::setDesktopFileName(QStringLiteral("vornel-test-window"));
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TITLE WIDTHxHEIGHT\n", argv[0]);
        return 2;
    }
    const QStringList size = QString::fromLocal8Bit(argv[2]).split('x');
    RecordingWindow window;
    window.setWindowTitle(QString::fromUtf8(argv[1]));
    window.resize(size.value(0).toInt(), size.value(1).toInt());
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
    return app.exec();
}
