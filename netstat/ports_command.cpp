#include "netstat/ports_command.h"

#include "netstat/ip_connection_list.h"
#include "netstat/port_names.h"
#include "netstat/ports_page.h"
#include "settings/profile_file.h"
#include "settings/settings_files.h"
#include "settings/text_lines.h"

namespace vornel {

int printPorts(std::ostream& out, std::ostream& err, const std::string& iniPath) {
    try {
        TQuelmarIpConnectionList connections(nullptr);
        connections.Refresh();
        const std::string stored = readWholeFile(QString::fromStdString(iniPath)).value_or("");
        const auto names = namedPortsFrom(ProfileFile::fromText(textOfFile(stored).value_or("")));
        eachPortLine(connections, names, [&](const std::string& line) { out << line << '\n'; });
        out.flush();
        return 0;
    } catch (const std::exception& error) {
        err << "vornel: " << error.what() << '\n';
        return 1;
    }
}

} // namespace vornel
