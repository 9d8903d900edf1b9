// The files the program hands to the desktop to run (the KWin script, the
// GNOME Shell extension) are the program's own, built into it, and the
// script is written where no other user can change it; the files it loads
// from beside itself are taken only from where no other user can have put
// them.
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
    EXPECT_TRUE(trustedFile(path("build/kwin/vornel_windows.js")));
    EXPECT_TRUE(trustedFile(path("build/gnome-shell/legacy/extension.js")));
    EXPECT_TRUE(programDataFolders().endsWith(path("build")));
}

TEST_F(BuiltFiles, AreRefusedWhereAnotherUserMayWriteOrReplaceThem) {
    const QString script = path("build/kwin/vornel_windows.js");
    // The file itself, its folder, or any folder above it.
    for (const QString& writable : {script, path("build/kwin"), path("build")}) {
        setMode(writable, QFileInfo(writable).isDir() ? 0777 : 0666);
        EXPECT_EQ(trustedFile(script), false) << writable.toStdString();
        setMode(writable, QFileInfo(writable).isDir() ? 0775 : 0664);
        EXPECT_EQ(trustedFile(script), false) << "group-writable " << writable.toStdString();
        setMode(writable, QFileInfo(writable).isDir() ? 0755 : 0644);
    }
    EXPECT_EQ(trustedFile(script), true);
    // A folder that all may write in, but where only an entry's owner can
    // rename or remove it (/tmp), leaves our files ours.
    setMode(path("build"), 01777);
    EXPECT_EQ(trustedFile(script), true);
    setMode(path("build"), 0755);

    const QString extension = path("build/gnome-shell/legacy/extension.js");
    setMode(extension, 0666);
    EXPECT_FALSE(trustedFile(extension));
    setMode(extension, 0644);
    setMode(path("build/gnome-shell/legacy"), 0777);
    EXPECT_FALSE(trustedFile(extension));
    setMode(path("build/gnome-shell/legacy"), 0755);
    EXPECT_TRUE(trustedFile(extension));

    // A link leads to a file that is checked in its turn.
    writeFile(path("elsewhere/vornel_windows.js"));
    setMode(path("elsewhere"), 0777);
    QFile::remove(script);
    ASSERT_TRUE(QFile::link(path("elsewhere/vornel_windows.js"), script));
    EXPECT_EQ(trustedFile(script), false);
    EXPECT_FALSE(trustedFile(path("missing.js")));
}

// Files of another user, however closed to others, are not ours to run.
TEST_F(BuiltFiles, AreRefusedWhenAnotherUserOwnsThem) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    const QString script = path("build/kwin/vornel_windows.js");
    ASSERT_EQ(chown(QFile::encodeName(script).constData(), 65534, 65534), 0);
    EXPECT_EQ(trustedFile(script), false);
    ASSERT_EQ(chown(QFile::encodeName(script).constData(), 0, 0), 0);
    ASSERT_EQ(chown(QFile::encodeName(path("build/kwin")).constData(), 65534, 65534), 0);
    EXPECT_EQ(trustedFile(script), false);
    ASSERT_EQ(chown(QFile::encodeName(path("build/kwin")).constData(), 0, 0), 0);
    EXPECT_EQ(trustedFile(script), true);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program file copied alone still has what the desktops run: the KWin
// script as the build made it, and the extension in the form of each shell.
TEST(CarriedBridges, TheProgramCarriesTheKWinScriptAndBothExtensionForms) {
    const QString built = qEnvironmentVariable("VORNEL_BUILT_FILES");
    ASSERT_FALSE(built.isEmpty()) << "the tests name the build folder";
    EXPECT_EQ(KWinDesktop::scriptText(), contents(built + "/kwin/vornel_windows.js"));
    EXPECT_TRUE(KWinDesktop::scriptText().contains("closeRequests"));
    for (const char* form : {"legacy", "modules"})
        for (const char* file : {"metadata.json", "extension.js"}) {
            const QString source = QString("/gnome-shell/%1/%2").arg(form, file);
            EXPECT_EQ(contents(GnomeDesktop::extensionSource(QString(form) == "legacy" ? 43 : 48) +
                               '/' + file),
                      contents(built + source))
                << source.toStdString();
        }
    EXPECT_TRUE(contents(GnomeDesktop::extensionSource(44) + "/metadata.json").contains("\"44\""));
    EXPECT_TRUE(
        contents(GnomeDesktop::extensionSource(45) + "/extension.js").contains("export default"));
}

// The script KWin loads is written into a folder of the runtime directory
// that this user alone may enter; any other folder there is refused.
TEST(CarriedBridges, TheKWinScriptIsWrittenWhereOnlyThisUserCanChangeIt) {
    QTemporaryDir runtime;
    const QByteArray old = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString folder = runtime.filePath("vornel");
    std::string why;
    EXPECT_EQ(KWinDesktop::writeScript(why), folder + "/vornel_windows.js") << why;
    EXPECT_EQ(contents(folder + "/vornel_windows.js"), KWinDesktop::scriptText());
    struct stat made {};
    ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700u) << "open to others";
    EXPECT_EQ(made.st_uid, geteuid());

    setMode(folder, 0755);
    EXPECT_EQ(KWinDesktop::writeScript(why), "");
    EXPECT_NE(why.find("n'est pas un dossier à l'utilisateur seul"), std::string::npos) << why;
    // A link in its place, to a folder another may have made.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(runtime.filePath("elsewhere")));
    setMode(runtime.filePath("elsewhere"), 0700);
    ASSERT_TRUE(QFile::link(runtime.filePath("elsewhere"), folder));
    EXPECT_EQ(KWinDesktop::writeScript(why), "");
    EXPECT_FALSE(QFile::exists(runtime.filePath("elsewhere/vornel_windows.js")));

    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(KWinDesktop::writeScript(why), "");
    EXPECT_NE(why.find("XDG_RUNTIME_DIR"), std::string::npos) << why;
    qputenv("XDG_RUNTIME_DIR", old);
}

} // namespace
