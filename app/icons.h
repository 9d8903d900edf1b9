#pragma once

#include <QIcon>

namespace vornel {

// One of the program's own icons by resource name ("MAINICON", "PAUSE"),
// matched without regard to case, with every size drawn for it. A null icon
// when there is no such name.
QIcon programIcon(const QString& name);

} // namespace vornel
