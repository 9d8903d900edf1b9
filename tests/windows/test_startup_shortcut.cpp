// The start-at-logon shortcut, written through the shell into real folders.
#include "settings/startup_shortcut.h"
#include "windows_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

// The file itself: Qt sees a shortcut as a link to its target, and a link to
// a target that does not exist as no file at all.
bool fileExists(const QString& path) {
    return GetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str()) !=
           INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(StartupShortcut, WritesAShortcutToTheExecutableAndRemovesIt) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A path with an accent, which the ANSI code page of a non-French Windows
    // could not hold.
    QDir(folder.path()).mkpath(QStringLiteral("Démarrage Programmes"));
    StartupShortcut shortcut(folder.path() + QStringLiteral("/Démarrage Programmes"));
    const QString path = shortcut.shortcutPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Démarrage Programmes/Vornel.lnk")));

    const QString target = folder.path() + QStringLiteral("/Programme été/vornel.exe");
    ASSERT_TRUE(shortcut.write(target));
    EXPECT_TRUE(fileExists(path));
    ShortcutContent content;
    ASSERT_TRUE(readShortcut(path, content));
    EXPECT_EQ(content.target.toLower(), target.toLower());
    EXPECT_EQ(content.arguments, QString());
    EXPECT_EQ(content.description, QString());
    // A shortcut file keeps only normal, maximised and minimised: the show
    // command 5 (SW_SHOW) is stored, and read back, as SW_SHOWNORMAL.
    EXPECT_EQ(content.showCommand, SW_SHOWNORMAL);

    // Written again, it points at the executable's new place.
    const QString moved = folder.path() + QStringLiteral("/ailleurs/vornel.exe");
    ASSERT_TRUE(shortcut.write(moved));
    ASSERT_TRUE(readShortcut(path, content));
    EXPECT_EQ(content.target.toLower(), moved.toLower());

    shortcut.remove();
    EXPECT_FALSE(fileExists(path));
    shortcut.remove(); // nothing left to remove: no harm
}

// The prefix is the test's own, so its Startup folder is no one's.
TEST(StartupShortcut, TheDefaultFolderIsTheStartupKnownFolder) {
    const QString folder = StartupShortcut::startupFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(
        folder.endsWith(QStringLiteral("/Start Menu/Programs/Startup"), Qt::CaseInsensitive))
        << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    StartupShortcut shortcut;
    EXPECT_EQ(shortcut.shortcutPath(), folder + QStringLiteral("/Vornel.lnk"));
    ASSERT_TRUE(shortcut.write(QStringLiteral("C:/Vornel/vornel.exe")));
    EXPECT_TRUE(fileExists(shortcut.shortcutPath()));
    shortcut.remove();
    EXPECT_FALSE(fileExists(shortcut.shortcutPath()));
}
