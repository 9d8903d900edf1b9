#include "blocking/xdg_default_browser.h"

#include "blocking/default_browser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace vornel {

namespace {

const QString WebScheme = QStringLiteral("x-scheme-handler/http");

struct KnownBrowser {
    const char* desktopId;
    const char* titleSuffix;
};

// What each browser puts after the page's title in its window titles, read
// from _NET_WM_NAME of a page titled "Pub": Firefox ESR 153 "Pub — Mozilla
// Firefox" (an em dash), Chromium 156 "Pub - Chromium", Falkon 22.12
// "Pub - Falkon", Konqueror 22.12 "Pub — Konqueror". Google Chrome, Brave and
// Vivaldi were not at hand: theirs are the suffixes they are known to show.
// GNOME Web (Epiphany) 43 shows the bare page title, so nothing marks its
// windows and it is not listed. In this order the first installed one stands
// in for an unknown default; Debian's own browser comes first. Flatpak and
// Snap entries name the same browsers.
constexpr KnownBrowser KnownBrowsers[] = {
    {"firefox-esr.desktop", " — Mozilla Firefox"},
    {"firefox.desktop", " — Mozilla Firefox"},
    {"org.mozilla.firefox.desktop", " — Mozilla Firefox"},
    {"firefox_firefox.desktop", " — Mozilla Firefox"},
    {"chromium.desktop", " - Chromium"},
    {"chromium-browser.desktop", " - Chromium"},
    {"org.chromium.Chromium.desktop", " - Chromium"},
    {"google-chrome.desktop", " - Google Chrome"},
    {"com.google.Chrome.desktop", " - Google Chrome"},
    {"brave-browser.desktop", " - Brave"},
    {"com.brave.Browser.desktop", " - Brave"},
    {"vivaldi-stable.desktop", " - Vivaldi"},
    {"org.kde.falkon.desktop", " - Falkon"},
    {"org.kde.konqueror.desktop", " — Konqueror"},
    {"kfmclient_html.desktop", " — Konqueror"},
    {"konqbrowser.desktop", " — Konqueror"},
};

QStringList absoluteFolders(const char* variable, const QStringList& fallback) {
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable(variable).split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder)) folders << QDir::cleanPath(folder);
    return folders.isEmpty() ? fallback : folders;
}

QString absoluteFolder(const char* variable, const QString& fallback) {
    return absoluteFolders(variable, {fallback}).first();
}

// The values of key in group of a desktop-entry-style file: the list
// "a.desktop;b.desktop;" as its items. A missing file reads as empty.
QStringList listValue(const QString& path, QStringView group, QStringView key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    bool inGroup = false;
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line.endsWith(u']') && QStringView(line).sliced(1, line.size() - 2) == group;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || line.startsWith(u'#') || equals < 0) continue;
        if (QStringView(line).first(equals).trimmed() != key) continue;
        QStringList items;
        for (const QString& item : line.mid(equals + 1).split(u';', Qt::SkipEmptyParts))
            if (!item.trimmed().isEmpty()) items << item.trimmed();
        return items;
    }
    return {};
}

struct MimeAppsList {
    QString path;
    // Desktop-specific lists may name defaults only, never add or remove.
    bool desktopSpecific;
};

std::vector<MimeAppsList> mimeAppsLists(const XdgFolders& folders) {
    QStringList dirs = folders.configDirs;
    for (const QString& data : folders.dataDirs)
        dirs << data + QStringLiteral("/applications");
    std::vector<MimeAppsList> lists;
    for (const QString& dir : dirs) {
        for (const QString& desktop : folders.desktops)
            lists.push_back({dir + u'/' + desktop + QStringLiteral("-mimeapps.list"), true});
        lists.push_back({dir + QStringLiteral("/mimeapps.list"), false});
    }
    return lists;
}

// The first file a desktop entry id can name in one applications folder: a
// "-" in the id may stand for a subfolder ("kde4-konqueror.desktop").
QString entryFile(const QString& applications, const QString& desktopId) {
    QString relative = desktopId;
    for (qsizetype from = 0;;) {
        const QString path = applications + u'/' + relative;
        if (QFileInfo(path).isFile()) return path;
        from = relative.indexOf(u'-', from);
        if (from < 0) return {};
        relative[from] = u'/';
    }
}

} // namespace

XdgFolders XdgFolders::fromEnvironment() {
    const QString home = qEnvironmentVariable("HOME");
    XdgFolders folders;
    folders.configDirs << absoluteFolder("XDG_CONFIG_HOME", home + QStringLiteral("/.config"))
                       << absoluteFolders("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
    folders.dataDirs << absoluteFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share"))
                     << absoluteFolders("XDG_DATA_DIRS", {QStringLiteral("/usr/local/share"),
                                                          QStringLiteral("/usr/share")});
    for (const QString& desktop :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        folders.desktops << QString::fromLatin1(desktop.toLatin1().toLower());
    return folders;
}

bool isInstalled(const XdgFolders& folders, const QString& desktopId) {
    for (const QString& data : folders.dataDirs) {
        const QString file = entryFile(data + QStringLiteral("/applications"), desktopId);
        if (file.isEmpty()) continue;
        // An entry of higher precedence that says Hidden deletes the entry.
        return listValue(file, u"Desktop Entry", u"Hidden") != QStringList{QStringLiteral("true")};
    }
    return false;
}

QString defaultApplication(const XdgFolders& folders, const QString& mimeType) {
    QStringList removed;
    for (const MimeAppsList& list : mimeAppsLists(folders)) {
        if (!list.desktopSpecific)
            removed << listValue(list.path, u"Removed Associations", mimeType);
        for (const QString& id : listValue(list.path, u"Default Applications", mimeType))
            if (!removed.contains(id) && isInstalled(folders, id)) return id;
    }
    return {};
}

std::optional<std::string> browserTitleSuffix(const QString& desktopId) {
    for (const KnownBrowser& browser : KnownBrowsers)
        if (desktopId == QLatin1StringView(browser.desktopId)) return browser.titleSuffix;
    return std::nullopt;
}

std::string defaultBrowserTitle(const XdgFolders& folders) {
    if (auto suffix = browserTitleSuffix(defaultApplication(folders, WebScheme))) return *suffix;
    for (const KnownBrowser& browser : KnownBrowsers)
        if (isInstalled(folders, QString::fromLatin1(browser.desktopId)))
            return browser.titleSuffix;
    return " - Microsoft Internet";
}

std::string defaultBrowserTitle() {
    return defaultBrowserTitle(XdgFolders::fromEnvironment());
}

} // namespace vornel
