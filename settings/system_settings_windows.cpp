#include "settings/system_settings.h"

#include <QDir>

namespace vornel {

// The machine-wide application data folder, which every user may read and
// only administrators may change.
QStringList systemSettingsPaths() {
    const QString folder = qEnvironmentVariable("ProgramData");
    if (folder.isEmpty()) return {};
    return {QDir::fromNativeSeparators(folder) + QStringLiteral("/Vornel/vornel.ini")};
}

} // namespace vornel
