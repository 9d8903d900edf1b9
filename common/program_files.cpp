#include "common/program_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace vornel {

namespace {

bool ownedByUs(const struct stat& s) {
    return s.st_uid == 0 || s.st_uid == geteuid();
}

bool othersMayReplace(const struct stat& s) {
    if (!(s.st_mode & (S_IWGRP | S_IWOTH))) return false;
    // In a sticky folder only an entry's owner renames or removes it.
    return !(S_ISDIR(s.st_mode) && (s.st_mode & S_ISVTX));
}

} // namespace

bool trustedFile(const QString& path) {
    // The real file: a link that an owner of ours made may lead anywhere.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) return false;
    struct stat s {};
    if (stat(QFile::encodeName(real).constData(), &s) != 0 || !S_ISREG(s.st_mode) ||
        !ownedByUs(s) || (s.st_mode & (S_IWGRP | S_IWOTH)))
        return false;
    for (QDir dir = QFileInfo(real).dir();; dir.cdUp()) {
        if (stat(QFile::encodeName(dir.path()).constData(), &s) != 0 || !ownedByUs(s) ||
            othersMayReplace(s))
            return false;
        if (dir.isRoot()) return true;
    }
}

QStringList programDataFolders() {
    QStringList folders{QStringLiteral(VORNEL_DATA_DIR), QCoreApplication::applicationDirPath()};
    const QString built = qEnvironmentVariable("VORNEL_BUILT_FILES");
    if (!built.isEmpty()) folders << built;
    return folders;
}

} // namespace vornel
