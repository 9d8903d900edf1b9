// The test main keeps every test away from the files of the person running
// it. The tests run in the order written: the first leaves the variables
// unset, as fixtures do when they end.
#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace vornel;

namespace {

struct NoSound : AlertSound {
    void play(const std::string&) override {}
};

QString previousSettings;

} // namespace

TEST(TestMain, PointsTheUsersFoldersIntoATemporaryFolder) {
    const QString home = qEnvironmentVariable("HOME");
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_NE(QDir(home).canonicalPath(),
              QDir(QString::fromLocal8Bit(user->pw_dir)).canonicalPath());
    EXPECT_TRUE(home.startsWith(QDir::tempPath() + '/')) << home.toStdString();
    EXPECT_TRUE(QFileInfo(home).isDir());
    EXPECT_TRUE(qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(home + '/'));
    const QString settings = qEnvironmentVariable("VORNEL_CONFIG_DIR");
    EXPECT_TRUE(settings.startsWith(QDir::tempPath() + '/')) << settings.toStdString();
    // The freedesktop data folders are empty temporary ones, so that the
    // machine's browsers and default applications decide nothing either.
    EXPECT_TRUE(qEnvironmentVariable("XDG_DATA_HOME").startsWith(QDir::tempPath() + '/'));
    EXPECT_TRUE(qEnvironmentVariable("XDG_DATA_DIRS").startsWith(QDir::tempPath() + '/'));
    EXPECT_TRUE(qEnvironmentVariableIsEmpty("XDG_CACHE_HOME"));

    previousSettings = settings;
    qunsetenv("VORNEL_CONFIG_DIR");
    qunsetenv("XDG_CONFIG_HOME");
}

// What test_ports_page once did to whoever ran it: a main window made with no
// folders of its own saves on destruction and brings the start-at-logon entry
// in line with its (unloaded) check box, which removes the entry.
TEST(TestMain, AMainWindowWithNoFoldersOfItsOwnTouchesOnlyTheTestsFolders) {
    const QString settings = qEnvironmentVariable("VORNEL_CONFIG_DIR");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    ASSERT_FALSE(settings.isEmpty()) << "the previous test's unset was not undone";
    ASSERT_FALSE(config.isEmpty());
    EXPECT_NE(settings, previousSettings) << "each test has a fresh folder";

    const QString entry = config + "/autostart/Vornel.desktop";
    ASSERT_TRUE(QDir().mkpath(config + "/autostart"));
    QFile made(entry);
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
    made.close();
    const QString beside = QCoreApplication::applicationDirPath() + "/vornel.ini";
    const bool besideBefore = QFile::exists(beside);
    {
        ScriptedDesktop desktop;
        NoSound sound;
        TfmVornel window(desktop, sound);
    }
    EXPECT_TRUE(QFile::exists(settings + "/vornel.ini"));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(QFile::exists(beside), besideBefore);
}
