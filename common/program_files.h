#pragma once

#include <QString>
#include <QStringList>

namespace vornel {

// Whether a file that the program loads itself (a module) can have been
// placed or changed only by this user or by root: the file, and every folder
// from it up to the root, belongs to root or to us and is writable by no one
// else. A folder that others may write but not rename or remove in (the
// sticky bit: /tmp) does not count against it. Symbolic links are followed,
// and what they lead to is checked.
bool trustedFile(const QString& path);

// The folders where the program's own files beside it (a module) are looked
// for, in this order: the installed data folder, the program's own
// folder (a build run where it was built), and $VORNEL_BUILT_FILES, which the
// tests set to the build folder. No build path is written into the program:
// an installed copy would otherwise look for files in a folder that, once
// the build is gone, anyone could create.
QStringList programDataFolders();

} // namespace vornel
