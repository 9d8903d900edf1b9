#include "common/same_rows.h"

#include <QListWidget>
#include <QStringList>

namespace vornel {

bool sameRows(const QListWidget* list, const QStringList& rows) {
    if (list->count() != rows.size()) return false;
    for (int i = 0; i < rows.size(); ++i)
        if (list->item(i)->text() != rows[i]) return false;
    return true;
}

} // namespace vornel
