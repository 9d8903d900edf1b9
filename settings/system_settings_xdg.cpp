#include "settings/system_settings.h"

#include <QDir>

namespace vornel {

// Relative folders in the variable are to be ignored, as the XDG base
// directory specification says.
QStringList systemSettingsPaths() {
    QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (folders.isEmpty()) folders = QStringLiteral("/etc/xdg");
    QStringList paths;
    for (const QString& folder : folders.split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder)) paths << folder + QStringLiteral("/vornel/vornel.ini");
    return paths;
}

} // namespace vornel
