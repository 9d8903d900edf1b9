#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The closed-window log as a file: one line per closing, newest first, each
// ended by CR LF; read as textLines cuts lines (any line end, no byte-order
// mark).
namespace vornel {

// The first maxLines lines; nothing when the file is missing or cannot be read.
std::optional<QStringList> readLogLines(const QString& path, int maxLines);

// Replaces the whole file as writeWholeFile does; an empty list gives an
// empty file.
bool writeLogLines(const QString& path, const QStringList& lines, QString* error = nullptr);

} // namespace vornel
