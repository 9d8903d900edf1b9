#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vornel {

// One closing rule. The same letter means different tests in the two modes:
// "Y" is "contains" for the title but "equals" for the size, "E" is "equals"
// for the title but "at most" for the size, "N" is no condition. Any other
// mode text is a condition that never holds.
struct TCond {
    std::string TitreMode;
    std::string DimMode;
    std::string Titre;
    int32_t Width = 0;
    int32_t Height = 0;

    bool operator==(const TCond&) const = default;
};

// Does the rule hold for a window with this title and outer size? Titles are
// compared after folding A to Z only; nothing is trimmed.
bool TesteCond(const TCond& rule, std::string_view title, int32_t width, int32_t height);

// Only the size half of the test.
bool sizeHolds(const TCond& rule, int32_t width, int32_t height);

// The one-line French text form shown in the rule list and written in the log.
std::string TexteCond(const TCond& rule);

} // namespace vornel
