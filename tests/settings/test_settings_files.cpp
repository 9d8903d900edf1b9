#include "settings/settings_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

TEST(SettingsFolder, BesideACopiedProgramButNeverBesideAnInstalledOne) {
    QTemporaryDir home, copied, installed;
    ASSERT_TRUE(home.isValid() && copied.isValid() && installed.isValid());
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString inHome = home.path() + QStringLiteral("/vornel");

    EXPECT_EQ(settingsFolder(copied.path(), installed.path()), copied.path());
    // Root can write into the installed folder, and still nothing goes there;
    // the same folder named another way is still the installed one.
    EXPECT_EQ(settingsFolder(installed.path(), installed.path()), inHome);
    EXPECT_EQ(settingsFolder(installed.path() + QStringLiteral("/."), installed.path()), inHome);
    QFile ini(installed.path() + QStringLiteral("/vornel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    EXPECT_EQ(settingsFolder(installed.path(), installed.path()), inHome)
        << "a settings file left in the installed folder does not pull the files back there";

    // A folder that does not exist is not the installed one, whatever it is named.
    EXPECT_EQ(settingsFolder(copied.path(), copied.path() + QStringLiteral("/gone")), copied.path());
}

} // namespace
