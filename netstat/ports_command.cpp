#include "netstat/ports_command.h"

#include "netstat/ip_connection_list.h"
#include "netstat/port_names.h"
#include "netstat/ports_page.h"
#include "settings/profile_file.h"
#include "settings/settings_files.h"

#include <QCoreApplication>
#include <QDir>
#include <cstring>
#include <iostream>

namespace vornel {

namespace {

const char* const HelpText =
    "Utilisation : vornel [option]\n"
    "  --ports          affiche les ports TCP en écoute ou connectés, puis quitte\n"
    "  --windows        affiche les fenêtres que voit Vornel (numéro, visible,\n"
    "                   réduite, largeur x hauteur, titre), puis quitte\n"
    "  --desktop NOM    surveille ce bureau (x11, sway, wlroots, kwin, gnome) au lieu\n"
    "                   de celui de la session ; de même la variable VORNEL_DESKTOP\n"
    "  --help           affiche cette aide, puis quitte\n";

// The same settings file as the running program's, without touching it.
std::string settingsFile(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return settingsFiles().ini.toStdString();
}

} // namespace

int printPorts(std::ostream& out, std::ostream& err, const std::string& iniPath) {
    try {
        TQuelmarIpConnectionList connections(nullptr);
        connections.Refresh();
        const auto names = portNamesFrom(
            ProfileFile::fromText(readWholeFile(QString::fromStdString(iniPath)).value_or("")));
        for (const std::string& line : portLines(connections, names))
            out << line << '\n';
        out.flush();
        return 0;
    } catch (const std::exception& error) {
        err << "vornel: " << error.what() << '\n';
        return 1;
    }
}

std::optional<int> runCommandLineOption(int argc, char** argv) {
    if (argc != 2) return std::nullopt;
    if (std::strcmp(argv[1], "--ports") == 0)
        return printPorts(std::cout, std::cerr, settingsFile(argc, argv));
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cout << HelpText;
        return 0;
    }
    return std::nullopt;
}

} // namespace vornel
