#include "common/memo_lines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace vornel {

QStringList memoLines(const QPlainTextEdit* memo) {
    QStringList lines;
    const QTextDocument* doc = memo->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        lines << b.text();
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

int memoLineCount(const QPlainTextEdit* memo) {
    int count = memo->document()->blockCount();
    if (memo->document()->lastBlock().text().isEmpty()) --count;
    return count;
}

void setMemoLines(QPlainTextEdit* memo, const QStringList& lines) {
    memo->setPlainText(lines.join(u'\n'));
}

void insertFirstLine(QPlainTextEdit* memo, const QString& line) {
    QTextCursor cursor(memo->document());
    cursor.movePosition(QTextCursor::Start);
    bool empty = memo->document()->isEmpty();
    cursor.insertText(empty ? line : line + u'\n');
}

// Cut from the end of the line that stays, so that no empty line is left.
void keepFirstLines(QPlainTextEdit* memo, int count) {
    QTextDocument* doc = memo->document();
    if (memoLineCount(memo) <= count) return;
    QTextCursor cursor(doc);
    if (count > 0) {
        cursor.setPosition(doc->findBlockByNumber(count - 1).position());
        cursor.movePosition(QTextCursor::EndOfBlock);
    }
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace vornel
