#include "settings/log_file.h"

#include "settings/settings_files.h"
#include "settings/text_lines.h"

#include <QFile>

namespace vornel {

std::optional<QStringList> readLogLines(const QString& path, int maxLines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // Only the newest lines are kept, so a long log is not read to its end.
    // Line ends are counted as textLines counts them (CR LF is one).
    std::string text;
    int lineEnds = 0;
    bool afterCr = false;
    while (lineEnds < maxLines && !file.atEnd()) {
        QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty()) break;
        for (char c : chunk) {
            if (c == '\r' || (c == '\n' && !afterCr)) ++lineEnds;
            afterCr = c == '\r';
        }
        text.append(chunk.constData(), std::size_t(chunk.size()));
    }
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    QStringList lines;
    for (std::string_view line : textLines(text)) {
        if (lines.size() == maxLines) break;
        lines << QString::fromUtf8(line.data(), qsizetype(line.size()));
    }
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
