#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace vornel {

// Where the freedesktop settings of a session live, most important first.
struct XdgFolders {
    QStringList configDirs; // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    QStringList dataDirs;   // $XDG_DATA_HOME, then $XDG_DATA_DIRS
    QStringList desktops;   // $XDG_CURRENT_DESKTOP, in lower case

    // From the environment, with the base-directory defaults for what is
    // unset; relative folders are ignored, as the base-directory rules ask.
    static XdgFolders fromEnvironment();
};

// The desktop entry (such as "firefox-esr.desktop") that the user's
// mime-application lists name as the default for mimeType: the first named
// entry that is installed and that neither its own list nor a more important
// one removed from the type. Empty when none.
QString defaultApplication(const XdgFolders& folders, const QString& mimeType);

// Whether the desktop entry is installed: found in an applications folder of
// the data folders, and not hidden by its first occurrence.
bool isInstalled(const XdgFolders& folders, const QString& desktopId);

// The text a known browser ends its window titles with; none for an entry
// that is not a browser we know.
std::optional<std::string> browserTitleSuffix(const QString& desktopId);

// The default web browser's title suffix; an unknown or unset default gives
// the first known browser that is installed; with none, " - Microsoft
// Internet".
std::string defaultBrowserTitle(const XdgFolders& folders);

} // namespace vornel
