#include "blocking/xdg_default_browser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vornel;

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// A session's freedesktop folders in a temporary folder: a user's config and
// data folders, two system ones of each, and nothing of the machine's own.
class XdgTree {
public:
    QString path(const QString& relative) const { return dir_.filePath(relative); }

    void write(const QString& relative, const QByteArray& text) const {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            << relative.toStdString();
        file.write(text);
    }
    // A desktop entry that xdg-mime too takes as installed: its program exists.
    void install(const QString& dataDir, const QString& relative,
                 const QByteArray& extra = {}) const {
        write(dataDir + "/applications/" + relative,
              "[Desktop Entry]\nType=Application\nName=Browser\nExec=/bin/true %u\n"
              "MimeType=text/html;x-scheme-handler/http;\n" +
                  extra);
    }
    static QByteArray defaults(const QByteArray& ids) {
        return "[Default Applications]\nx-scheme-handler/http=" + ids + "\n";
    }

    XdgFolders folders(const QStringList& desktops = {}) const {
        return {{path("config"), path("etc1"), path("etc2")},
                {path("data"), path("share1"), path("share2")},
                desktops};
    }
    QProcessEnvironment environment(const QString& desktops) const {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", path("home"));
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_CONFIG_DIRS", path("etc1") + ":" + path("etc2"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_DATA_DIRS", path("share1") + ":" + path("share2"));
        env.insert("XDG_CURRENT_DESKTOP", desktops);
        return env;
    }

private:
    QTemporaryDir dir_;
};

const QString Http = "x-scheme-handler/http";

} // namespace

TEST(DefaultApplication, TheMostImportantListThatNamesAnInstalledEntryDecides) {
    XdgTree tree;
    for (const char* id : {"a.desktop", "b.desktop", "c.desktop", "d.desktop", "e.desktop"})
        tree.install("share2", id);
    // Least important first: each step adds a more important list.
    tree.write("share2/applications/mimeapps.list", XdgTree::defaults("a.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "a.desktop");
    tree.write("share1/applications/x-vornel-mimeapps.list", XdgTree::defaults("b.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders({"x-vornel"}), Http), "b.desktop");
    // A desktop's own list counts only in that desktop.
    EXPECT_EQ(defaultApplication(tree.folders({"other"}), Http), "a.desktop");
    tree.write("data/applications/mimeapps.list", XdgTree::defaults("c.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders({"x-vornel"}), Http), "c.desktop");
    tree.write("etc2/mimeapps.list", XdgTree::defaults("d.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "d.desktop");
    tree.write("config/mimeapps.list", XdgTree::defaults("e.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "e.desktop");
    // In one folder, the desktop's list comes first, in the order of the desktops.
    tree.write("config/first-mimeapps.list", XdgTree::defaults("a.desktop"));
    tree.write("config/second-mimeapps.list", XdgTree::defaults("b.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders({"second", "first"}), Http), "b.desktop");
    EXPECT_EQ(defaultApplication(tree.folders({"first", "second"}), Http), "a.desktop");
    // Other types and other groups are not the default of this one.
    tree.write("config/mimeapps.list", "[Added Associations]\nx-scheme-handler/http=a.desktop;\n"
                                       "[Default Applications]\nx-scheme-handler/https=c.desktop\n"
                                       "x-scheme-handler/httpx=c.desktop\n");
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "d.desktop");
}

TEST(DefaultApplication, EntriesThatAreMissingHiddenOrRemovedAreSkipped) {
    XdgTree tree;
    tree.install("share1", "kept.desktop");
    tree.install("share2", "hidden.desktop");
    tree.install("data", "hidden.desktop", "Hidden=true\n");
    tree.install("share2", "removed.desktop");
    // A "-" of an entry id may stand for a subfolder.
    tree.install("share2", "kde4/konqueror.desktop");

    tree.write("share2/applications/mimeapps.list",
               XdgTree::defaults(" missing.desktop ; hidden.desktop;kde4-konqueror.desktop;"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "kde4-konqueror.desktop");

    // Removed by a more important list, or by its own: passed over.
    tree.write("etc1/mimeapps.list",
               "[Removed Associations]\nx-scheme-handler/http=kde4-konqueror.desktop;\n");
    tree.write("data/applications/mimeapps.list",
               "# removal first, then the default\n[Removed Associations]\n"
               "x-scheme-handler/http=removed.desktop\n" +
                   XdgTree::defaults("removed.desktop;kept.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "kept.desktop");
    // A desktop's own list cannot remove.
    tree.write("config/x-mimeapps.list",
               "[Removed Associations]\nx-scheme-handler/http=kept.desktop\n");
    EXPECT_EQ(defaultApplication(tree.folders({"x"}), Http), "kept.desktop");
    // A removal in a less important list does not touch a more important default.
    tree.write("config/mimeapps.list", XdgTree::defaults("removed.desktop"));
    EXPECT_EQ(defaultApplication(tree.folders(), Http), "removed.desktop");

    EXPECT_FALSE(isInstalled(tree.folders(), "hidden.desktop"));
    EXPECT_FALSE(isInstalled(tree.folders(), "missing.desktop"));
    EXPECT_TRUE(isInstalled(tree.folders(), "kept.desktop"));
    XdgTree empty;
    EXPECT_EQ(defaultApplication(empty.folders(), Http), "");
}

TEST(DefaultApplication, AgreesWithXdgMime) {
    XdgTree tree;
    tree.install("share2", "firefox-esr.desktop");
    tree.install("share1", "chromium.desktop");
    tree.install("data", "org.kde.falkon.desktop");
    tree.write("share2/applications/mimeapps.list", XdgTree::defaults("firefox-esr.desktop"));
    // One entry per list: xdg-mime 1.1.3 tries only the first of a list.
    tree.write("etc2/mimeapps.list", XdgTree::defaults("chromium.desktop"));
    tree.write("config/x-vornel-mimeapps.list", XdgTree::defaults("org.kde.falkon.desktop"));

    for (const QString& desktops : {QString(), QString("X-Vornel"), QString("Other:X-Vornel")}) {
        QProcess xdgMime;
        xdgMime.setProcessEnvironment(tree.environment(desktops));
        xdgMime.start("xdg-mime", {"query", "default", Http});
        ASSERT_TRUE(xdgMime.waitForFinished(10000)) << "xdg-mime (package xdg-utils) is needed";
        const QString expected = QString::fromUtf8(xdgMime.readAllStandardOutput()).trimmed();
        XdgFolders folders = tree.folders();
        for (const QString& desktop : desktops.split(':', Qt::SkipEmptyParts))
            folders.desktops << desktop.toLower();
        EXPECT_EQ(defaultApplication(folders, Http).toStdString(), expected.toStdString())
            << desktops.toStdString();
        EXPECT_FALSE(expected.isEmpty());
    }
}

TEST(DefaultBrowserTitle, TheDefaultBrowsersSuffixElseTheFirstKnownInstalledElseInternetExplorers) {
    EXPECT_EQ(browserTitleSuffix("firefox-esr.desktop"), " — Mozilla Firefox");
    EXPECT_EQ(browserTitleSuffix("chromium.desktop"), " - Chromium");
    EXPECT_EQ(browserTitleSuffix("org.kde.falkon.desktop"), " - Falkon");
    EXPECT_EQ(browserTitleSuffix("org.gnome.Epiphany.desktop"), std::nullopt);
    EXPECT_EQ(browserTitleSuffix(""), std::nullopt);

    XdgTree tree;
    EXPECT_EQ(defaultBrowserTitle(tree.folders()), " - Microsoft Internet");
    // Unknown browsers installed and named: still nothing we know.
    tree.install("share1", "org.gnome.Epiphany.desktop");
    tree.write("config/mimeapps.list", XdgTree::defaults("org.gnome.Epiphany.desktop"));
    EXPECT_EQ(defaultBrowserTitle(tree.folders()), " - Microsoft Internet");
    // Then the first known one that is installed, in the table's order.
    tree.install("share2", "org.kde.falkon.desktop");
    EXPECT_EQ(defaultBrowserTitle(tree.folders()), " - Falkon");
    tree.install("share2", "chromium.desktop");
    EXPECT_EQ(defaultBrowserTitle(tree.folders()), " - Chromium");
    // The default, when it is a known browser, whatever else is installed.
    tree.install("data", "vivaldi-stable.desktop");
    tree.write("config/mimeapps.list", XdgTree::defaults("vivaldi-stable.desktop"));
    EXPECT_EQ(defaultBrowserTitle(tree.folders()), " - Vivaldi");
}

TEST(XdgFoldersFromEnvironment, UnsetMeansTheBaseDirectoryDefaultsAndRelativeFoldersAreIgnored) {
    const QByteArray names[] = {"HOME",          "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                                "XDG_DATA_HOME", "XDG_DATA_DIRS",   "XDG_CURRENT_DESKTOP"};
    std::vector<QByteArray> saved;
    for (const QByteArray& name : names)
        saved.push_back(qgetenv(name));

    qputenv("HOME", "/home/u");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                             "XDG_CURRENT_DESKTOP"})
        qunsetenv(name);
    XdgFolders folders = XdgFolders::fromEnvironment();
    EXPECT_EQ(folders.configDirs, QStringList({"/home/u/.config", "/etc/xdg"}));
    EXPECT_EQ(folders.dataDirs,
              QStringList({"/home/u/.local/share", "/usr/local/share", "/usr/share"}));
    EXPECT_TRUE(folders.desktops.isEmpty());

    qputenv("XDG_CONFIG_HOME", "relative/config");
    qputenv("XDG_CONFIG_DIRS", "/a:rel::/b/");
    qputenv("XDG_DATA_HOME", "/d");
    qputenv("XDG_DATA_DIRS", "only/relative");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    folders = XdgFolders::fromEnvironment();
    EXPECT_EQ(folders.configDirs, QStringList({"/home/u/.config", "/a", "/b"}));
    EXPECT_EQ(folders.dataDirs, QStringList({"/d", "/usr/local/share", "/usr/share"}));
    EXPECT_EQ(folders.desktops, QStringList({"ubuntu", "gnome"}));

    for (size_t i = 0; i < saved.size(); ++i)
        if (saved[i].isNull())
            qunsetenv(names[i]);
        else
            qputenv(names[i], saved[i]);
}
