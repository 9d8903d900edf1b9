#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

class QListWidget;

namespace vornel {

// The selected row of a single-selection list, -1 when none is.
int selectedRow(const QListWidget* list);

// Rows of fixed height drawn by the program from what a row stands for, not
// from its stored text: the background of the row (the selection colour for
// the selected row), then the text at the row's left and top, clipped to the
// text's own width.
class OwnerDrawnRows : public QStyledItemDelegate {
public:
    using RowText = std::function<QString(int row, const QString& stored)>;
    // A colour of its own for a row that is not selected; nothing: the list's.
    using RowColour = std::function<std::optional<QColor>(int row)>;

    // framed: the row's rectangle gets a one-pixel black frame around its fill.
    OwnerDrawnRows(int rowHeight, bool framed, RowText text, QObject* parent,
                   RowColour colour = {});

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
    bool framed_;
    RowText text_;
    RowColour colour_;
};

} // namespace vornel
