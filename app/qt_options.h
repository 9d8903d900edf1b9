#pragma once

#include <QString>
#include <QStringList>

namespace vornel {

// Qt's own command-line options (-platform xcb, -display :1, -style Fusion,
// -reverse, …), which QGuiApplication and QApplication take out of the
// arguments themselves. Qt reads them with one dash or two, and a few also
// as -name=value.
struct QtOptionsTaken {
    QStringList rest; // the arguments without Qt's options and their values
    QString fault;    // a Qt option without its value, in French; empty when none
};

// The program's name stays first in rest.
QtOptionsTaken takeQtOptions(const QStringList& arguments);

} // namespace vornel
