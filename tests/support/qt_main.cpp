// The main() of every test: a QApplication exists for the tests that need
// widgets (offscreen for the gui label, the private X display for x11).
#include "support/x11_display.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::setlocale(LC_TIME, "C");
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
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
