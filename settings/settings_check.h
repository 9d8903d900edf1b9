#pragma once

#include "blocking/tcond.h"
#include "settings/profile_file.h"

#include <QString>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// A line of a settings file that the program cannot use, and why (French).
struct SettingsProblem {
    int line = 0; // counted from 1; 0 for the file as a whole
    std::string why;
};

// A settings file judged line by line, as the load reads it: what it holds
// that the program can use, and each line it cannot.
struct SettingsCheck {
    std::vector<SettingsProblem> problems;
    // Every usable line of [Vornel], [Impose] and [Ports]; nothing of a line
    // the problems name.
    ProfileFile usable;
    // The rules of [Windows] that load, in their order.
    std::vector<TCond> rules;
};

SettingsCheck checkSettings(std::string_view text);
// Fenetre1, Fenetre2, …: the keys of the browser names, one each.
bool isBrowserKey(std::string_view key);
// A file that is missing, cannot be read or holds no text is one problem.
SettingsCheck checkSettingsFile(const QString& path);

// "FILE, ligne 4 : why", or "FILE : why" for the file as a whole.
QString problemText(const QString& path, const SettingsProblem& problem);

// vornel --check FILE: each unusable line on out; 0 when every line is usable.
int printSettingsCheck(const QString& path, std::ostream& out);

} // namespace vornel
