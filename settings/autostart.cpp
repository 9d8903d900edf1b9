#include "settings/autostart.h"

#include "settings/settings_files.h"

#include <QDir>
#include <QFile>

namespace vornel {

std::unique_ptr<StartAtLogon> makeStartAtLogon() {
    return std::make_unique<XdgAutostart>();
}

QString XdgAutostart::entryPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory rules say a relative value is to be ignored.
    if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/Vornel.desktop");
}

QString XdgAutostart::execWord(const QString& executable) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        // A lone % would start a field code.
        if (c == u'%') quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    QString escaped;
    for (QChar c : quoted) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString XdgAutostart::entryText(const QString& executable) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Vornel\nExec=") +
           execWord(executable) + u'\n';
}

bool XdgAutostart::write(const QString& executable, QString* error) {
    return writeWholeFile(entryPath(), entryText(executable).toStdString(), error);
}

void XdgAutostart::remove() {
    QFile::remove(entryPath());
}

} // namespace vornel
