#pragma once

#include "settings/settings_check.h"

#include <QString>
#include <QStringList>
#include <string_view>

namespace vornel {

// The settings an administrator sets for every user of the machine, in a
// file of the user's format that the program only reads and never writes:
//  [Windows]  rules tested before the user's own;
//  [Vornel]   values for the keys the user's file lacks;
//  [Impose]   values that stand in place of the user's.
// A browser name list (Fenetre1, Fenetre2, …) counts as one key: it comes
// whole from one file.
class SystemSettings {
public:
    SystemSettings() = default;
    // The file at path; none when path is empty or names no file.
    static SystemSettings read(const QString& path);

    const QString& path() const { return path_; }
    const std::vector<TCond>& rules() const { return content_.rules; }
    // Each unusable line, as "FILE, ligne N : why".
    QStringList problems() const;

    // Makes of the user's file what the load is to read.
    void applyTo(ProfileFile& user) const;
    // Whether [Impose] holds the key; any FenetreN stands for the list.
    bool imposes(std::string_view key) const;

    // Whether [Vornel] gives a default for the key; any FenetreN stands for
    // the list.
    bool givesDefault(std::string_view key) const;

private:
    QString path_;
    SettingsCheck content_;
};

// The files the machine's settings may be in, the first that exists winning:
// vornel/vornel.ini in each folder of $XDG_CONFIG_DIRS (/etc/xdg without
// it), %ProgramData%\Vornel\vornel.ini on Windows.
QStringList systemSettingsPaths();
// The first of them that exists; empty when none does, the usual case.
QString systemSettingsPath();

} // namespace vornel
