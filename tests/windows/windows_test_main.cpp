// The main() of the Windows tests: a QApplication on the Windows platform
// plugin, and settings that go to a temporary folder, never beside the test.
#include "common/program_language.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // The programs a test starts speak the display language of the Wine
    // session (Wine takes it from LC_ALL or LANG), as the test itself: what
    // they say is expected in it.
    vornel::speakUsersLanguage();
    QTemporaryDir settings;
    if (!settings.isValid()) {
        std::fprintf(stderr, "no temporary folder for the tests' settings\n");
        return 1;
    }
    qputenv("VORNEL_CONFIG_DIR", settings.path().toLocal8Bit());
    return RUN_ALL_TESTS();
}
