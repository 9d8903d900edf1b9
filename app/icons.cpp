#include "app/icons.h"

#include <QFile>

// The icons live in the core library, which is linked statically: nothing
// would pull their resource in without this call.
static void loadIconResource() {
    Q_INIT_RESOURCE(vornel);
}

namespace vornel {

QIcon programIcon(const QString& name) {
    static const bool loaded = (loadIconResource(), true);
    (void)loaded;
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/%1-%2.png").arg(name.toLower()).arg(size);
        if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace vornel
