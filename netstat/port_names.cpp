#include "netstat/port_names.h"

#include "common/text.h"
#include "settings/profile_file.h"

namespace vornel {

std::vector<std::string> namedPortsFrom(const ProfileFile& ini) {
    std::vector<std::string> names;
    for (const auto& [key, value] : ini.entries("Ports")) {
        int32_t port = wholeNumberOr(key, -1);
        if (port < 0 || port >= int32_t(PortCount)) continue;
        if (std::size_t(port) >= names.size()) names.resize(std::size_t(port) + 1);
        names[std::size_t(port)] = cutUtf8(value, MaxPortNameLength);
    }
    return names;
}

std::vector<std::string> portNamesFrom(const ProfileFile& ini) {
    std::vector<std::string> names = namedPortsFrom(ini);
    names.resize(PortCount);
    return names;
}

} // namespace vornel
