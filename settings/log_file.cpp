#include "settings/log_file.h"

#include "settings/ansi_code_page.h"
#include "settings/settings_files.h"
#include "settings/text_lines.h"

#include <QFile>
#include <algorithm>

namespace vornel {

std::optional<QStringList> readLogLines(const QString& path, int maxLines, std::size_t maxLineBytes,
                                        QString* error) {
    QFile file(path);
    // Room for a byte-order mark, and for CR LF after each line.
    const qint64 most = 3 + qint64(std::max(maxLines, 0)) * qint64(maxLineBytes + 2);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(most);
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        return std::nullopt;
    }
    std::string_view text(bytes.constData(), std::size_t(bytes.size()));
    if (!file.atEnd()) text = text.substr(0, text.find_last_of("\r\n") + 1);
    QStringList lines;
    for (std::string_view line : textLines(text)) {
        if (lines.size() == maxLines) break;
        if (line.size() > maxLineBytes) continue;
        // The older program wrote its lines in the ANSI code page; once the
        // file is ours, new UTF-8 lines come on top of them.
        const std::string text = isUtf8(line) ? std::string(line) : ansiToUtf8(line);
        lines << QString::fromStdString(text);
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
