#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vornel {

constexpr std::size_t PortCount = 65536;
constexpr std::size_t MaxPortNameLength = 255;

// NomsPorts from the entries of a [Ports] section, in file order, each a
// "key=value" line: 65536 names, empty for a port without one. A key that is
// not a whole number from 0 to 65535 is skipped, the name is cut to 255
// bytes, and a later entry for a port replaces an earlier one.
std::vector<std::string> portNamesFromEntries(const std::vector<std::string>& entries);

// The "key=value" lines of one section of a settings file, in file order, as
// the profile functions read them: blanks around key and value and one pair
// of quotes around the value dropped. Section names match without regard to
// ASCII case; a missing file has no entries.
std::vector<std::string> readSectionEntries(const std::string& path, std::string_view section);

} // namespace vornel
