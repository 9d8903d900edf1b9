// The installer, run silently as a user would from a script, then the
// uninstaller, inside the test's own Wine prefix.
#include "common/program_language.h"
#include "settings/startup_shortcut.h"
#include "windows_test_support.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <shlobj.h>

using namespace vornel;
using namespace vornel::test;

namespace {

// The file itself, a shortcut included (Qt would follow it to its target).
bool fileExists(const QString& path) {
    return GetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str()) !=
           INVALID_FILE_ATTRIBUTES;
}

QString programsFolder() {
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, 0, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

bool uninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vornel", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

TEST(Installer, InstallsForTheUserAndUninstallsCleanlyKeepingTheRules) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = root.path() + QStringLiteral("/Mes programmes/Vornel");
    const QString menuEntry = programsFolder() + QStringLiteral("/Vornel.lnk");
    ASSERT_FALSE(fileExists(menuEntry));

    QProcess setup;
    setup.setProgram(QStringLiteral(VORNEL_INSTALLER));
    // NSIS reads the folder after /D= up to the end of the line, unquoted.
    setup.setNativeArguments(QStringLiteral("/S /D=") + QDir::toNativeSeparators(folder));
    setup.start();
    ASSERT_TRUE(setup.waitForFinished(120000));
    EXPECT_EQ(setup.exitCode(), 0);

    for (const char* file :
         {"vornel.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll", "Qt6Network.dll",
          "platforms/qwindows.dll", "libstdc++-6.dll", "libwinpthread-1.dll", "uninstall.exe"})
        EXPECT_TRUE(fileExists(folder + u'/' + QLatin1String(file))) << file;
    ShortcutContent entry;
    ASSERT_TRUE(readShortcut(menuEntry, entry));
    EXPECT_EQ(entry.target.toLower(), (folder + QStringLiteral("/vornel.exe")).toLower());
    EXPECT_TRUE(uninstallKeyExists());

    // What the program writes there as it runs: the user's rules and log, and
    // its start-at-logon shortcut.
    for (const char* file : {"vornel.ini", "vornel.log"}) {
        QFile f(folder + u'/' + QLatin1String(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Windows]\r\n1=Y,Pub test,N,0,0\r\n");
    }
    StartupShortcut atLogon;
    ASSERT_TRUE(atLogon.write(folder + QStringLiteral("/vornel.exe")));
    // The administrator's settings for every user of the machine, in this
    // Wine prefix's own %ProgramData%.
    const QString machine =
        QDir::fromNativeSeparators(qEnvironmentVariable("ProgramData")) + QStringLiteral("/Vornel");
    ASSERT_FALSE(machine.startsWith(u'/')) << "no %ProgramData%";
    ASSERT_TRUE(QDir().mkpath(machine));
    {
        QFile f(machine + QStringLiteral("/vornel.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Windows]\r\n1=Y,Pub salle,N,1,1\r\n");
    }

    // The uninstaller runs again from a copy of itself and returns at once:
    // its work is waited for.
    QProcess uninstall;
    uninstall.start(folder + QStringLiteral("/uninstall.exe"), {QStringLiteral("/S")});
    ASSERT_TRUE(uninstall.waitForFinished(60000));
    EXPECT_TRUE(waitUntil([&] { return !uninstallKeyExists(); }, 120000));
    EXPECT_TRUE(waitUntil([&] { return !fileExists(folder + QStringLiteral("/uninstall.exe")); }));

    for (const char* file :
         {"vornel.exe", "Qt6Core.dll", "platforms", "styles", "imageformats", "libstdc++-6.dll"})
        EXPECT_FALSE(fileExists(folder + u'/' + QLatin1String(file))) << file;
    EXPECT_FALSE(fileExists(menuEntry));
    EXPECT_FALSE(fileExists(atLogon.shortcutPath()));
    EXPECT_TRUE(fileExists(folder + QStringLiteral("/vornel.ini")));
    EXPECT_TRUE(fileExists(folder + QStringLiteral("/vornel.log")));
    EXPECT_TRUE(fileExists(machine + QStringLiteral("/vornel.ini")));
    QDir(machine).removeRecursively();
}

// Shown to a user, the installer speaks the display language of the session,
// as the program does: French for French, English for any other.
TEST(Installer, SpeaksTheDisplayLanguage) {
    QProcess setup;
    setup.start(QStringLiteral(VORNEL_INSTALLER), QStringList());
    HWND window = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (window = windowOf(setup)) != nullptr; }, 60000));
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    setup.kill();
    setup.waitForFinished(5000);
    const QString caption = QString::fromWCharArray(text);
    const bool english = languageFor(QLocale::system().uiLanguages()) == Language::English;
    EXPECT_TRUE(caption.startsWith(english ? "Vornel Setup" : "Installation de Vornel"))
        << caption.toStdString();
}
