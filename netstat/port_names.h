#pragma once

#include <string>
#include <vector>

namespace vornel {

class ProfileFile;

constexpr std::size_t PortCount = 65536;
constexpr std::size_t MaxPortNameLength = 255;

// NomsPorts from the [Ports] section, in file order: 65536 names, empty for a
// port without one. A key that is not a whole number from 0 to 65535 is
// skipped, the name is cut to 255 bytes (never inside a UTF-8 sequence), and a
// later entry for a port replaces an earlier one. The program never writes
// that section: names are given by editing the file.
std::vector<std::string> portNamesFrom(const ProfileFile& ini);
// The same names, up to the last port that has one: what a single listing
// needs, without room for every unnamed port above it.
std::vector<std::string> namedPortsFrom(const ProfileFile& ini);

} // namespace vornel
