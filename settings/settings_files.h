#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace vornel {

// Where the settings file and the log file live: vornel.ini and vornel.log
// beside the executable, so that a copied binary works on its own. An
// installed program (one that runs from the folder it was installed into)
// keeps them in $XDG_CONFIG_HOME/vornel/ (%LOCALAPPDATA%\Vornel\ on
// Windows), and so does one whose folder refuses new files and holds no
// settings file, or holds one that this user cannot write (left by a run as
// root or administrator). VORNEL_CONFIG_DIR, when set, names
// the folder instead. Load and save use one and the same path.
struct SettingsFiles {
    QString ini;
    QString log;
    // The executable's folder with its trailing separator, for the default sound.
    QString programFolder;
    // The settings file beside the program that this user cannot write,
    // when the user's folder took its place; empty otherwise.
    QString passedOver;
};

SettingsFiles settingsFiles();
// The folder settingsFiles() chooses for a program in programFolder, when
// programs are installed into installedFolder.
QString settingsFolder(const QString& programFolder, const QString& installedFolder);
SettingsFiles settingsFilesIn(const QString& folder);

// Copies a passed-over settings file and the log beside it into the user's
// folder, when that holds no settings file yet: the user's settings go on
// from where they were. What to tell the user ("what : what to do"), once,
// at the copy; empty when nothing was copied.
QString takeOverPassedOver(const SettingsFiles& files);

// The whole content, or nothing when the file is missing or cannot be read.
std::optional<std::string> readWholeFile(const QString& path, QString* error = nullptr);

// Replaces the file atomically (QSaveFile): a reader, another instance
// included, sees the old content or the new one, never a mix. On failure the
// old file is untouched and error says why. Only a folder that refuses the
// temporary file but holds a writable file of that name (an install made by
// an administrator) has the file rewritten in place; a failure there leaves
// the old content too, though a reader may see a mix while it is written.
bool writeWholeFile(const QString& path, std::string_view bytes, QString* error = nullptr);

} // namespace vornel
