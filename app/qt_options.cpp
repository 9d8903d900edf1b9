#include "app/qt_options.h"

#include "common/program_language.h"

#include <QSet>

namespace vornel {

namespace {

// The options QGuiApplication, its X11 platform and QApplication read.
const QSet<QString>& withValue() {
    static const QSet<QString> names{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("session"),
        QStringLiteral("display"),         QStringLiteral("geometry"),
        QStringLiteral("style"),           QStringLiteral("stylesheet")};
    return names;
}
const QSet<QString>& withoutValue() {
    static const QSet<QString> names{QStringLiteral("reverse"), QStringLiteral("widgetcount")};
    return names;
}
// Only ever written as -name=value.
const QSet<QString>& joinedValue() {
    static const QSet<QString> names{QStringLiteral("style"),         QStringLiteral("stylesheet"),
                                     QStringLiteral("qmljsdebugger"), QStringLiteral("dialogs"),
                                     QStringLiteral("fontengine"),    QStringLiteral("darkmode")};
    return names;
}

// The option's name without its dashes; empty for what is no option.
QString nameOf(const QString& argument) {
    if (argument.startsWith(QStringLiteral("--"))) return argument.mid(2);
    if (argument.startsWith(u'-')) return argument.mid(1);
    return {};
}

} // namespace

QtOptionsTaken takeQtOptions(const QStringList& arguments) {
    QtOptionsTaken taken;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString name = i == 0 ? QString() : nameOf(argument);
        if (withoutValue().contains(name)) continue;
        if (joinedValue().contains(name.section(u'=', 0, 0)) && name.contains(u'=')) continue;
        if (withValue().contains(name)) {
            if (i + 1 == arguments.size()) {
                taken.fault =
                    programText("CommandLine", "il manque la valeur de l'option %1").arg(argument);
                return taken;
            }
            ++i;
            continue;
        }
        taken.rest << argument;
    }
    return taken;
}

} // namespace vornel
