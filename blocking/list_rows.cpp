#include "blocking/list_rows.h"

#include <QListWidget>
#include <QPainter>

namespace vornel {

int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

OwnerDrawnRows::OwnerDrawnRows(int rowHeight, bool framed, RowText text, QObject* parent,
                               RowColour colour)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight), framed_(framed), text_(std::move(text)),
      colour_(std::move(colour)) {}

void OwnerDrawnRows::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& colours = option.palette;
    const QRect row = option.rect;
    painter->save();
    painter->fillRect(row, colours.brush(selected ? QPalette::Highlight : QPalette::Base));
    if (framed_) {
        painter->setPen(Qt::black);
        painter->drawRect(row.adjusted(0, 0, -1, -1));
    }
    const QString text = text_(index.row(), index.data(Qt::DisplayRole).toString());
    const QRect textRect(row.topLeft(),
                         QSize(option.fontMetrics.horizontalAdvance(text), row.height()));
    painter->setClipRect(textRect & row);
    painter->setFont(option.font);
    const std::optional<QColor> own = colour_ && !selected ? colour_(index.row()) : std::nullopt;
    painter->setPen(
        own.value_or(colours.color(selected ? QPalette::HighlightedText : QPalette::Text)));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

QSize OwnerDrawnRows::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), rowHeight_};
}

} // namespace vornel
