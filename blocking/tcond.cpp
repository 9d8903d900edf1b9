#include "blocking/tcond.h"

#include "common/text.h"

#include <algorithm>

namespace vornel {

namespace {

bool equalFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

bool titleHolds(const TCond& rule, std::string_view title) {
    if (rule.TitreMode == "N") return true;
    if (rule.TitreMode == "Y") return containsText(asciiLower(title), asciiLower(rule.Titre));
    if (rule.TitreMode == "E") return equalFolded(rule.Titre, title);
    return false;
}

} // namespace

bool sizeHolds(const TCond& rule, int32_t width, int32_t height) {
    if (rule.DimMode == "N") return true;
    if (rule.DimMode == "Y") return rule.Width == width && rule.Height == height;
    if (rule.DimMode == "E") return width <= rule.Width && height <= rule.Height;
    return false;
}

bool TesteCond(const TCond& rule, std::string_view title, int32_t width, int32_t height) {
    return titleHolds(rule, title) && sizeHolds(rule, width, height);
}

std::string TexteCond(const TCond& rule) {
    std::string text;
    if (rule.TitreMode == "Y") text = "Titre~\"" + rule.Titre + "\" ";
    if (rule.TitreMode == "E") text = "Titre=\"" + rule.Titre + "\" ";
    auto size = [&](const char* relation) {
        text += text.empty() ? "T" : "et t";
        text += relation;
        text += '"' + std::to_string(rule.Width) + ',' + std::to_string(rule.Height) + '"';
    };
    if (rule.DimMode == "Y") size("aille=");
    if (rule.DimMode == "E") size("aille<");
    return text;
}

} // namespace vornel
