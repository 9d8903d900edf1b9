#include "settings/settings_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <algorithm>
#include <optional>

namespace vornel {

namespace {

QString withSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// Whether a new file can be made in the folder. The folder is asked by
// trying: on Windows what QFileInfo says reflects only the read-only
// attribute, which Program Files lacks, though its rights keep users out.
bool canCreateIn(const QString& folder) {
    QTemporaryFile probe(withSeparator(folder) + QStringLiteral("vornel-probe-XXXXXX"));
    return probe.open();
}

// Whether this user may write the file, asked by opening it for writing,
// which changes nothing: the permission bits alone do not tell (root, access
// lists, a read-only mount).
bool canWriteFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

// Our folder among the user's settings.
QString userSettingsFolder() {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("/Vornel"); // in %LOCALAPPDATA%
#else
    const QString name = QStringLiteral("/vornel"); // in $XDG_CONFIG_HOME
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + name;
}

} // namespace

SettingsFiles settingsFilesIn(const QString& folder) {
    QString dir = withSeparator(folder);
    // The default sound's path is shown and stored: in the platform's own
    // spelling, with a backslash on Windows.
    return {dir + QStringLiteral("vornel.ini"),
            dir + QStringLiteral("vornel.log"),
            QDir::toNativeSeparators(withSeparator(QCoreApplication::applicationDirPath())),
            {}};
}

QString settingsFolder(const QString& programFolder, const QString& installedFolder) {
    // An installed program never writes beside itself, not even when it runs
    // as root and could: its folder belongs to the package manager.
    const QString canonical = QFileInfo(programFolder).canonicalFilePath();
    bool installed =
        !canonical.isEmpty() && canonical == QFileInfo(installedFolder).canonicalFilePath();
    if (installed) return userSettingsFolder();
    // A settings file is written in place when its folder refuses the save's
    // temporary file; one that neither can take would show an error at every
    // save and keep nothing.
    const QFileInfo ini(withSeparator(programFolder) + QStringLiteral("vornel.ini"));
    if (canCreateIn(programFolder) || (ini.isFile() && canWriteFile(ini.filePath())))
        return programFolder;
    return userSettingsFolder();
}

SettingsFiles settingsFiles() {
    QString chosen = qEnvironmentVariable("VORNEL_CONFIG_DIR");
    if (!chosen.isEmpty()) return settingsFilesIn(chosen);
    const QString program = QCoreApplication::applicationDirPath();
    SettingsFiles files =
        settingsFilesIn(settingsFolder(program, QStringLiteral(VORNEL_INSTALLED_PROGRAM_DIR)));
    const QString beside = withSeparator(program) + QStringLiteral("vornel.ini");
    if (QFileInfo(files.ini) != QFileInfo(beside) && QFileInfo(beside).isFile() &&
        !canWriteFile(beside))
        files.passedOver = beside;
    return files;
}

QString takeOverPassedOver(const SettingsFiles& files) {
    if (files.passedOver.isEmpty() || QFileInfo::exists(files.ini)) return {};
    const std::optional<std::string> settings = readWholeFile(files.passedOver);
    if (!settings || !writeWholeFile(files.ini, *settings)) return {};
    const QString log = QFileInfo(files.passedOver).dir().filePath(QStringLiteral("vornel.log"));
    if (const std::optional<std::string> lines = readWholeFile(log))
        writeWholeFile(files.log, *lines);
    return QCoreApplication::translate(
               "SettingsFiles", "Réglages en lecture seule : %1 ne peut pas être modifié par cet "
                                "utilisateur ; Vornel l'a copié dans %2 et enregistre désormais là")
        .arg(QDir::toNativeSeparators(files.passedOver),
             QDir::toNativeSeparators(QFileInfo(files.ini).absolutePath()));
}

std::optional<std::string> readWholeFile(const QString& path, QString* error) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    if (file.error() == QFileDevice::NoError) return bytes.toStdString();
    if (error) *error = file.errorString();
    return std::nullopt;
}

namespace {

// A write may come short without an error (a file-size limit reached, a disk
// filling up): the next one then fails, with the system's reason.
qint64 writeAll(QFileDevice& file, const char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.write(data + done, size - done);
        if (n <= 0) return done == 0 ? n : done;
        done += n;
    }
    return done;
}

QString shortWrite(qint64 written, qint64 wanted, const QFileDevice& file) {
    return QCoreApplication::translate("SettingsFiles", "%1 octets écrits sur %2 : %3")
        .arg(std::max<qint64>(written, 0))
        .arg(wanted)
        .arg(file.errorString());
}

// A folder that refuses the temporary file but holds a writable file of that
// name (an install made by an administrator) has the file rewritten in place,
// as the old profile functions did, yet never left cut: the part that needs
// new room on the disk goes first, beyond the old end, and is taken back
// when it does not fit; only then is the old content written over, in room
// it already has. Should even that come short, what it overwrote is put back.
bool rewriteInPlace(const QString& path, std::string_view bytes, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        if (error) *error = file.errorString();
        return false;
    }
    const QByteArray old = file.readAll();
    const qint64 oldSize = old.size(), newSize = qint64(bytes.size());
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        return false;
    }
    if (newSize > oldSize) {
        const qint64 written =
            file.seek(oldSize) ? writeAll(file, bytes.data() + oldSize, newSize - oldSize) : -1;
        if (written != newSize - oldSize) {
            if (error) *error = shortWrite(std::max<qint64>(written, 0), newSize, file);
            file.resize(oldSize);
            return false;
        }
    }
    const qint64 head = std::min(oldSize, newSize);
    const qint64 written = file.seek(0) ? writeAll(file, bytes.data(), head) : -1;
    if (written != head || (newSize < oldSize && !file.resize(newSize))) {
        if (error) *error = shortWrite(std::max<qint64>(written, 0), newSize, file);
        if (file.seek(0)) file.write(old.constData(), std::max<qint64>(written, 0));
        file.resize(oldSize);
        return false;
    }
    return true;
}

bool writeOnce(const QString& path, std::string_view bytes, QString* error) {
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk, a file-size limit) is
    // seen here: the buffered path lets commit() succeed over a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (QFileInfo(path).isFile()) return rewriteInPlace(path, bytes, error);
        if (error) *error = file.errorString();
        return false;
    }
    qint64 written = writeAll(file, bytes.data(), qint64(bytes.size()));
    if (written != qint64(bytes.size())) {
        if (error) *error = shortWrite(written, qint64(bytes.size()), file);
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
