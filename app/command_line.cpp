#include "app/command_line.h"

#include "app/parent_console.h"
#include "app/qt_options.h"
#include "blocking/desktops/desktop_choice.h"
#include "common/program_language.h"
#include "netstat/ports_command.h"
#include "settings/settings_check.h"
#include "settings/settings_files.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <iostream>

namespace vornel {

namespace {

constexpr int HelpWidth = 80;

QString usageLine() {
    return programText("CommandLine", "Utilisation : vornel [options]");
}

// Each option once: the parser reads it and the help describes it.
struct Options {
    QCommandLineOption ports{QStringLiteral("ports"),
                             programText("CommandLine",
                                         "affiche les ports TCP en écoute ou connectés, puis "
                                         "quitte")};
    QCommandLineOption windows{QStringLiteral("windows"),
                               programText("CommandLine",
                                           "affiche les fenêtres que voit Vornel (numéro, "
                                           "visible, réduite, largeur x hauteur, titre), puis "
                                           "quitte")};
    QCommandLineOption desktop{QStringLiteral("desktop"),
                               programText("CommandLine",
                                           "surveille ce bureau (%1) au lieu de celui de la "
                                           "session ; de même la variable VORNEL_DESKTOP")
                                   .arg(desktopNamesText()),
                               programText("CommandLine", "NOM")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            programText("CommandLine", "affiche cette aide, puis quitte")};
    QCommandLineOption version{QStringLiteral("version"),
                               programText("CommandLine",
                                           "affiche la version de Vornel et celle de Qt, puis "
                                           "quitte")};

    QCommandLineOption check{QStringLiteral("check"),
                             programText("CommandLine",
                                         "vérifie ce fichier de réglages (celui d'un "
                                         "utilisateur ou celui de la machine) : affiche "
                                         "chaque ligne inutilisable et pourquoi, puis quitte "
                                         "(code 0 si tout est utilisable, 1 sinon)"),
                             programText("CommandLine", "FICHIER")};

    QList<QCommandLineOption> all() const {
        return {ports, windows, desktop, check, help, version};
    }
};

CommandLine asking(CommandLine::Action action) {
    CommandLine line;
    line.action = action;
    return line;
}

CommandLine refusal(const QString& fault) {
    CommandLine line = asking(CommandLine::Action::Refuse);
    line.fault = fault;
    return line;
}

// An unknown option as the user typed it: -bogus, or --bogus for --bogus=1.
QString asTyped(const QString& name, const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        const QString option = argument.section(u'=', 0, 0);
        for (const QString& dashes : {QStringLiteral("--"), QStringLiteral("-")})
            if (option == dashes + name) return option;
    }
    return QStringLiteral("--") + name;
}

// Whether the option named (without its dashes) takes a value.
bool takesValue(const Options& options, const QString& name) {
    for (const QCommandLineOption& option : options.all())
        if (option.names().contains(name)) return !option.valueName().isEmpty();
    return false;
}

QString parseFault(const QCommandLineParser& parser, const QStringList& arguments,
                   const Options& options) {
    QStringList unknown;
    for (const QString& name : parser.unknownOptionNames())
        unknown << asTyped(name, arguments);
    if (unknown.size() == 1)
        return programText("CommandLine", "option inconnue : %1").arg(unknown.first());
    if (!unknown.isEmpty())
        return programText("CommandLine", "options inconnues : %1")
            .arg(unknown.join(QStringLiteral(", ")));
    // A missing or unexpected value: the parser names the option at fault
    // only inside its own English sentence, between quotes.
    static const QRegularExpression quoted(QStringLiteral("'(-+)(.+)'"));
    const QRegularExpressionMatch culprit = quoted.match(parser.errorText());
    if (!culprit.hasMatch()) return parser.errorText();
    return (takesValue(options, culprit.captured(2))
                ? programText("CommandLine", "il manque la valeur de l'option %1")
                : programText("CommandLine", "l'option %1 ne prend pas de valeur"))
        .arg(culprit.captured(1) + culprit.captured(2));
}

CommandLine readCheck(const QCommandLineParser& parser, const Options& o) {
    if (parser.isSet(o.ports) || parser.isSet(o.windows) || parser.isSet(o.desktop))
        return refusal(
            programText("CommandLine", "--check ne se combine avec aucune autre option"));
    CommandLine line = asking(CommandLine::Action::Check);
    line.file = parser.value(o.check);
    if (line.file.isEmpty())
        return refusal(programText("CommandLine", "il manque la valeur de l'option --check"));
    return line;
}

CommandLine readParsed(const QCommandLineParser& parser, const Options& o) {
    if (!parser.positionalArguments().isEmpty())
        return refusal(programText("CommandLine", "argument inattendu : %1")
                           .arg(parser.positionalArguments().first()));
    if (parser.isSet(o.help)) return asking(CommandLine::Action::Help);
    if (parser.isSet(o.version)) return asking(CommandLine::Action::Version);
    if (parser.isSet(o.check)) return readCheck(parser, o);
    CommandLine line;
    if (parser.isSet(o.desktop)) {
        const QString name = parser.value(o.desktop);
        // --desktop --windows: the parser took the next option for the name.
        if (name.isEmpty() || name.startsWith(u'-'))
            return refusal(programText("CommandLine", "il manque la valeur de l'option --desktop"));
        line.desktop = name.toStdString();
        const std::vector<std::string>& names = desktopNames();
        if (std::find(names.begin(), names.end(), line.desktop) == names.end())
            return refusal(
                programText("CommandLine", "le bureau « %1 » est inconnu. Choisissez %2.")
                    .arg(name, desktopNamesText()));
    }
    if (parser.isSet(o.ports) && (parser.isSet(o.windows) || parser.isSet(o.desktop)))
        return refusal(programText("CommandLine",
                                   "--ports ne se combine ni avec --windows ni avec --desktop"));
    if (parser.isSet(o.ports)) line.action = CommandLine::Action::ListPorts;
    if (parser.isSet(o.windows)) line.action = CommandLine::Action::ListWindows;
    return line;
}

// text in lines of at most HelpWidth columns, the lines after the first
// indented by indent.
QString wrapped(const QString& text, qsizetype indent) {
    QString result, line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > HelpWidth) {
            result += line + u'\n' + QString(indent, u' ');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return result + line;
}

void say(std::ostream& out, const QString& text) {
    out << text.toUtf8().constData();
    out.flush();
}

// The windows as the desktop sees them; 1, with the reason, when it sees
// none at all: an empty list would claim that no window is open.
int listWindows(const std::string& desktop) {
    Session session = Session::fromEnvironment(desktop);
    session.listOnly = true;
    ChosenDesktop chosen = openDesktop(session);
    if (!chosen.notice.isEmpty()) say(std::cerr, QStringLiteral("vornel: %1\n").arg(chosen.notice));
    if (chosen.blind) return 1;
    printWindows(*chosen.desktop, std::cout);
    return 0;
}

} // namespace

CommandLine readCommandLine(const QStringList& arguments) {
    const Options options;
    QCommandLineParser parser;
    // -windows is --windows mistyped, not -w -i -n -d -o -w -s.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options.all());
    // Qt's own options are Qt's to read, when the application is made.
    const QtOptionsTaken ours = takeQtOptions(arguments);
    if (!ours.fault.isEmpty()) return refusal(ours.fault);
    if (!parser.parse(ours.rest)) return refusal(parseFault(parser, ours.rest, options));
    return readParsed(parser, options);
}

CommandLine readCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return readCommandLine(arguments);
}

QString helpText() {
    QList<std::pair<QString, QString>> rows;
    qsizetype column = 0;
    for (const QCommandLineOption& option : Options().all()) {
        QStringList names;
        for (const QString& name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty()) left += u' ' + option.valueName();
        column = std::max(column, left.size());
        rows.append({left, option.description()});
    }
    column += 6; // two blanks before the names, four after the longest
    QString text = usageLine() + u'\n';
    for (const auto& [left, description] : rows)
        text += (QStringLiteral("  ") + left).leftJustified(column) + wrapped(description, column) +
                u'\n';
    return text;
}

std::optional<int> answerCommandLine(const CommandLine& line, int argc, char** argv) {
    if (line.action != CommandLine::Action::Run) {
        useConsoleWriter(true);
        measureInEachMonitorsPixels();
    }
    switch (line.action) {
    case CommandLine::Action::Run:
        return std::nullopt;
    case CommandLine::Action::Help:
        say(std::cout, helpText());
        return 0;
    case CommandLine::Action::Version:
        say(std::cout, QStringLiteral("Vornel " VORNEL_VERSION "\nQt %1\n")
                           .arg(QString::fromLatin1(qVersion())));
        return 0;
    case CommandLine::Action::Check:
        return printSettingsCheck(line.file, std::cout);
    case CommandLine::Action::Refuse:
        say(std::cerr, QStringLiteral("vornel: %1\n%2\n").arg(line.fault, usageLine()));
        return 2;
    case CommandLine::Action::ListPorts: {
        // The running program's settings file, for its port names; only read.
        QCoreApplication app(argc, argv);
        return printPorts(std::cout, std::cerr, settingsFiles().ini.toStdString());
    }
    case CommandLine::Action::ListWindows: {
        QCoreApplication app(argc, argv);
        return listWindows(line.desktop);
    }
    }
    return std::nullopt;
}

} // namespace vornel
