#include "settings/log_file.h"

#include "settings/settings_files.h"

#include <QFile>

namespace vornel {

std::optional<QStringList> readLogLines(const QString& path, int maxLines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QStringList lines;
    // Only the newest lines are kept, so a long log is not read to its end.
    while (lines.size() < maxLines && !file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        lines << QString::fromUtf8(line);
    }
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return lines;
}

bool writeLogLines(const QString& path, const QStringList& lines, QString* error) {
    std::string text;
    for (const QString& line : lines) {
        text += line.toStdString();
        text += "\r\n";
    }
    return writeWholeFile(path, text, error);
}

} // namespace vornel
