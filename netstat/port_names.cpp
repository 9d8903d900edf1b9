#include "netstat/port_names.h"

#include "common/text.h"
#include "settings/profile_file.h"

namespace vornel {

std::vector<std::string> portNamesFrom(const ProfileFile& ini) {
    std::vector<std::string> names(PortCount);
    for (const auto& [key, value] : ini.entries("Ports")) {
        int32_t port = wholeNumberOr(key, -1);
        if (port < 0 || port >= int32_t(PortCount)) continue;
        names[std::size_t(port)] = cutUtf8(value, MaxPortNameLength);
    }
    return names;
}

} // namespace vornel
