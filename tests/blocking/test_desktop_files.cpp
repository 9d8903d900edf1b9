// The files the program hands to the desktop to run (the KWin script, the
// GNOME Shell extension) are taken only from where no other user can have
// put them.
#include "blocking/desktops/gnome_desktop.h"
#include "blocking/desktops/kwin_desktop.h"
#include "common/program_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vornel;

namespace {

void writeFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("// ours\n");
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
}

// A build folder of the test's own, named to the program as the tests name
// the real one.
class BuiltFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        old = qgetenv("VORNEL_BUILT_FILES");
        qputenv("VORNEL_BUILT_FILES", QFile::encodeName(path("build")));
        writeFile(path("build/kwin/vornel_windows.js"));
        writeFile(path("build/gnome-shell/legacy/metadata.json"));
        writeFile(path("build/gnome-shell/legacy/extension.js"));
        setMode(path("build"), 0755);
    }
    void TearDown() override { qputenv("VORNEL_BUILT_FILES", old); }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QByteArray old;
};

TEST_F(BuiltFiles, AreFoundWhenOnlyThisUserCanHaveWrittenThem) {
    EXPECT_EQ(KWinDesktop::scriptPath(), path("build/kwin/vornel_windows.js"));
    EXPECT_EQ(GnomeDesktop::extensionSource(43), path("build/gnome-shell/legacy"));
    // No other form there.
    EXPECT_EQ(GnomeDesktop::extensionSource(48), "");
    EXPECT_TRUE(programDataFolders().endsWith(path("build")));
}

TEST_F(BuiltFiles, AreRefusedWhereAnotherUserMayWriteOrReplaceThem) {
    const QString script = path("build/kwin/vornel_windows.js");
    // The file itself, its folder, or any folder above it.
    for (const QString& writable : {script, path("build/kwin"), path("build")}) {
        setMode(writable, QFileInfo(writable).isDir() ? 0777 : 0666);
        EXPECT_EQ(KWinDesktop::scriptPath(), "") << writable.toStdString();
        setMode(writable, QFileInfo(writable).isDir() ? 0775 : 0664);
        EXPECT_EQ(KWinDesktop::scriptPath(), "") << "group-writable " << writable.toStdString();
        setMode(writable, QFileInfo(writable).isDir() ? 0755 : 0644);
    }
    EXPECT_EQ(KWinDesktop::scriptPath(), script);
    // A folder that all may write in, but where only an entry's owner can
    // rename or remove it (/tmp), leaves our files ours.
    setMode(path("build"), 01777);
    EXPECT_EQ(KWinDesktop::scriptPath(), script);
    setMode(path("build"), 0755);

    setMode(path("build/gnome-shell/legacy/extension.js"), 0666);
    EXPECT_EQ(GnomeDesktop::extensionSource(43), "");
    setMode(path("build/gnome-shell/legacy/extension.js"), 0644);
    setMode(path("build/gnome-shell/legacy"), 0777);
    EXPECT_EQ(GnomeDesktop::extensionSource(43), "");
    setMode(path("build/gnome-shell/legacy"), 0755);
    EXPECT_EQ(GnomeDesktop::extensionSource(43), path("build/gnome-shell/legacy"));

    // A link leads to a file that is checked in its turn.
    writeFile(path("elsewhere/vornel_windows.js"));
    setMode(path("elsewhere"), 0777);
    QFile::remove(script);
    ASSERT_TRUE(QFile::link(path("elsewhere/vornel_windows.js"), script));
    EXPECT_EQ(KWinDesktop::scriptPath(), "");
    EXPECT_FALSE(trustedFile(path("missing.js")));
}

// Files of another user, however closed to others, are not ours to run.
TEST_F(BuiltFiles, AreRefusedWhenAnotherUserOwnsThem) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    const QString script = path("build/kwin/vornel_windows.js");
    ASSERT_EQ(chown(QFile::encodeName(script).constData(), 65534, 65534), 0);
    EXPECT_EQ(KWinDesktop::scriptPath(), "");
    ASSERT_EQ(chown(QFile::encodeName(script).constData(), 0, 0), 0);
    ASSERT_EQ(chown(QFile::encodeName(path("build/kwin")).constData(), 65534, 65534), 0);
    EXPECT_EQ(KWinDesktop::scriptPath(), "");
    ASSERT_EQ(chown(QFile::encodeName(path("build/kwin")).constData(), 0, 0), 0);
    EXPECT_EQ(KWinDesktop::scriptPath(), script);
}

} // namespace
