#pragma once

#include <QStringList>

class QPlainTextEdit;

// A memo seen as a list of lines: an empty memo has no line, and a text that
// ends with a line break has no empty last line.
namespace vornel {

QStringList memoLines(const QPlainTextEdit* memo);
void setMemoLines(QPlainTextEdit* memo, const QStringList& lines);
void insertFirstLine(QPlainTextEdit* memo, const QString& line);
// Drops the lines after the first count.
void keepFirstLines(QPlainTextEdit* memo, int count);
int memoLineCount(const QPlainTextEdit* memo);

} // namespace vornel
