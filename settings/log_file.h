#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The closed-window log as a file: one line per closing, newest first, each
// ended by CR LF; read as textLines cuts lines (any line end, no byte-order
// mark).
namespace vornel {

// The log keeps the newest lines only, on screen as on disk.
constexpr int MaxLogLines = 200;

// The first maxLines lines, the newest; nothing when the file is missing or
// cannot be read. Only the start of the file that such lines can fill is
// read (maxLines lines of maxLineBytes), so a file that a crash filled with
// junk costs no more than a full log. A line longer than maxLineBytes, and one
// that runs past what is read, is junk and is left out.
// error: why the file could not be read.
std::optional<QStringList> readLogLines(const QString& path, int maxLines, std::size_t maxLineBytes,
                                        QString* error = nullptr);

// Replaces the whole file as writeWholeFile does; an empty list gives an
// empty file.
bool writeLogLines(const QString& path, const QStringList& lines, QString* error = nullptr);

} // namespace vornel
