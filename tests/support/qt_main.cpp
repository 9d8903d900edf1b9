// The main() of every test: a QApplication exists for the tests that need
// widgets (offscreen for the gui label, the private X display for x11).
#include "support/x11_display.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// No test may reach the files of the person running it (settings, log,
// autostart entry) nor write beside the test binary: HOME, XDG_CONFIG_HOME
// and VORNEL_CONFIG_DIR point into a temporary folder, a fresh one for each
// test, set again as each test starts because fixtures unset what they set.
// A fixture is made after that, so a test's own folders still win.
class PrivateFolders : public ::testing::EmptyTestEventListener {
public:
    explicit PrivateFolders(QString root) : root_(std::move(root)) { enterNext(); }
    void OnTestStart(const ::testing::TestInfo&) override { enterNext(); }

private:
    void enterNext() {
        const QString folder = root_ + QStringLiteral("/%1").arg(++count_);
        QDir().mkpath(folder + QStringLiteral("/home"));
        qputenv("HOME", QFile::encodeName(folder + QStringLiteral("/home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/home/.config")));
        qputenv("VORNEL_CONFIG_DIR", QFile::encodeName(folder + QStringLiteral("/settings")));
    }

    QString root_;
    int count_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir folders;
    if (!folders.isValid()) {
        std::fprintf(stderr, "no temporary folder for the tests' settings: %s\n",
                     qPrintable(folders.errorString()));
        return 1;
    }
    // The other per-user folders follow HOME.
    for (const char* name : {"XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);
    ::testing::UnitTest::GetInstance()->listeners().Append(new PrivateFolders(folders.path()));

    std::setlocale(LC_TIME, "C");
    // French, the program's own language, whatever the desktop of the person
    // running the tests: Qt reads these when the application is made. A test
    // that wants English asks for it.
    qunsetenv("LANGUAGE");
    qputenv("LC_ALL", "C.UTF-8");
    // The browsers and default applications of the machine must not decide
    // what a test sees: the system's freedesktop folders are empty ones here.
    QTemporaryDir freedesktop;
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        qputenv(name, QFile::encodeName(freedesktop.filePath(QString::fromLatin1(name))));
    if (std::getenv("VORNEL_TEST_X11_DIR")) {
        // An x11 test must never fall back to the user's own display.
        std::string display = vornel::test::testDisplay();
        if (display.empty()) {
            std::fprintf(stderr, "no test display in $VORNEL_TEST_X11_DIR (did x11_setup run?)\n");
            return 1;
        }
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
