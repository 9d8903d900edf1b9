#pragma once

#include <ostream>
#include <string>

namespace vornel {

class ConnListPlatform;

// The lines of the ports page, once, one per line on out, with the names of
// the [Ports] section of the settings file at iniPath. 0 on success; 1, with
// the reason on err, when the connection table cannot be read.
int printPorts(std::ostream& out, std::ostream& err, const std::string& iniPath);

} // namespace vornel
