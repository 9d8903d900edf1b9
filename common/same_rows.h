#pragma once

#include <QStringList>

class QListWidget;

namespace vornel {

// Whether the list shows exactly these rows, in this order: a rebuild of a
// list from the rows it already shows changes nothing but costs a layout.
bool sameRows(const QListWidget* list, const QStringList& rows);

} // namespace vornel
