// The start-at-logon entry through the option check boxes of the real main
// window, in a temporary XDG_CONFIG_HOME.
#include "settings/autostart.h"
#include "settings_folder.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>

using namespace vornel;
using vornel::testing::fileText;
using vornel::testing::putFile;
using Autostart = vornel::testing::SettingsFolder;

namespace {

std::string expectedEntry() {
    return "[Desktop Entry]\nType=Application\nName=Vornel\nExec=\"" +
           QCoreApplication::applicationFilePath().toStdString() + "\"\n";
}

} // namespace

TEST_F(Autostart, TheStartOptionWritesAndRemovesTheEntry) {
    auto w = start();
    ASSERT_TRUE(w->ui.cbDemarre->isChecked());
    ASSERT_FALSE(QFileInfo::exists(dir.path() + "/xdg"));

    w->ui.cbDemarre->click(); // cleared
    EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
    EXPECT_NE(fileText(ini()).find("\r\nDemarre=0\r\n"), std::string::npos);

    w->ui.cbDemarre->click(); // ticked: the folder is made too
    EXPECT_EQ(fileText(autostartEntry()), expectedEntry());
    EXPECT_NE(fileText(ini()).find("\r\nDemarre=1\r\n"), std::string::npos);

    w->ui.cbDemarre->click();
    EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Autostart, TheOtherOptionsBringTheEntryInLineAndSave) {
    auto w = start();
    w->ui.cbAfficher->click();
    EXPECT_EQ(fileText(autostartEntry()), expectedEntry());
    EXPECT_NE(fileText(ini()).find("\r\nAfficher=0\r\n"), std::string::npos);

    // A stale entry is refreshed to this executable.
    putFile(autostartEntry(), "[Desktop Entry]\nExec=/old/place/vornel\n");
    w->ui.cbReduite->click();
    EXPECT_EQ(fileText(autostartEntry()), expectedEntry());
    EXPECT_NE(fileText(ini()).find("\r\nFenetreReduite=1\r\n"), std::string::npos);

    w->ui.cbDemarre->setChecked(false);
    putFile(autostartEntry(), "leftover");
    w->ui.cbReduite->click();
    EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
    EXPECT_NE(fileText(ini()).find("\r\nFenetreReduite=0\r\n"), std::string::npos);
}

TEST_F(Autostart, NothingHappensWhileTheSettingsLoad) {
    putFile(ini(), "[Vornel]\r\nDemarre=1\r\nAfficher=0\r\nFenetreReduite=1\r\n");
    const std::string before = fileText(ini());
    TfmVornel w(desktop, sound);
    int calls = 0;
    for (QCheckBox* box : {w.ui.cbDemarre, w.ui.cbAfficher, w.ui.cbReduite})
        QObject::connect(box, &QCheckBox::toggled, [&] {
            ++calls;
            EXPECT_TRUE(w.loading);
            w.Enregistre();
        });
    w.Initialise();
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
    EXPECT_EQ(fileText(ini()), before);
    EXPECT_FALSE(QFileInfo::exists(log()));

    // Once loaded, the same call does its work.
    w.Enregistre();
    EXPECT_EQ(fileText(autostartEntry()), expectedEntry());
}

TEST(XdgAutostart, ExecQuotesThePathAsDesktopEntriesRequire) {
    EXPECT_EQ(XdgAutostart::execWord("/usr/bin/vornel"), "\"/usr/bin/vornel\"");
    EXPECT_EQ(XdgAutostart::execWord("/opt/mes programmes/vornel"),
              "\"/opt/mes programmes/vornel\"");
    // Inside the quotes " ` $ \ take a backslash, % doubles, and the value's
    // own escapes then double every backslash again.
    EXPECT_EQ(XdgAutostart::execWord("/a\"b`c$d\\e%f"), "\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f\"");
    EXPECT_EQ(XdgAutostart::execWord("/x\ny\tz"), "\"/x\\ny\\tz\"");
}

TEST(XdgAutostart, LivesUnderTheConfigHome) {
    QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(XdgAutostart::entryPath(), "/cfg/autostart/Vornel.desktop");
    qputenv("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(XdgAutostart::entryPath(), "/home/someone/.config/autostart/Vornel.desktop");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(XdgAutostart::entryPath(), "/home/someone/.config/autostart/Vornel.desktop");
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}
