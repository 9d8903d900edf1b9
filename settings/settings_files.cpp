#include "settings/settings_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

namespace vornel {

namespace {

QString withSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

SettingsFiles settingsFilesIn(const QString& folder) {
    QString dir = withSeparator(folder);
    // The default sound's path is shown and stored: in the platform's own
    // spelling, with a backslash on Windows.
    return {dir + QStringLiteral("vornel.ini"), dir + QStringLiteral("vornel.log"),
            QDir::toNativeSeparators(withSeparator(QCoreApplication::applicationDirPath()))};
}

QString settingsFolder(const QString& programFolder, const QString& installedFolder) {
    // An installed program never writes beside itself, not even when it runs
    // as root and could: its folder belongs to the package manager.
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    bool installed =
        !canonical.isEmpty() && canonical == QFileInfo(installedFolder).canonicalFilePath();
    bool usable = QFileInfo(programFolder).isWritable() ||
                  QFileInfo::exists(withSeparator(programFolder) + QStringLiteral("vornel.ini"));
    if (usable && !installed) return programFolder;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vornel");
}

SettingsFiles settingsFiles() {
    QString chosen = qEnvironmentVariable("VORNEL_CONFIG_DIR");
    if (chosen.isEmpty())
        chosen = settingsFolder(QCoreApplication::applicationDirPath(),
                                QStringLiteral(VORNEL_INSTALLED_PROGRAM_DIR));
    return settingsFilesIn(chosen);
}

std::optional<std::string> readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes.toStdString();
}

namespace {

bool writeOnce(const QString& path, std::string_view bytes, QString* error) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // Unbuffered, so that a short write (a full disk, a file-size limit) is
    // seen here: the buffered path lets commit() succeed over a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error) *error = file.errorString();
        return false;
    }
    qint64 written = file.write(bytes.data(), qint64(bytes.size()));
    if (written != qint64(bytes.size())) {
        if (error)
            *error = QStringLiteral("%1 of %2 bytes written: %3")
                         .arg(written)
                         .arg(bytes.size())
                         .arg(file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

// On Windows a file that another program has open (a backup, a virus
// scanner, a user's viewer) cannot be replaced until it is closed again: the
// save is tried anew for about a second before it counts as failed, rather
// than lost, with an error box that would hold up the program's end.
bool writeWholeFile(const QString& path, std::string_view bytes, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    for (int pauseMs = 25;; pauseMs *= 2) {
        if (writeOnce(path, bytes, error)) return true;
        if (pauseMs > 400) return false;
        QThread::msleep(pauseMs);
    }
}

} // namespace vornel
