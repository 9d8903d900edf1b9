#include "settings/rule_text.h"

#include "common/text.h"
#include "settings/profile_file.h"

#include <algorithm>

namespace vornel {

std::array<std::string, 101> Decoupe(std::string_view text, char separator) {
    std::array<std::string, 101> pieces;
    std::size_t n = 0;
    std::size_t start = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (text[p] != separator) continue;
        pieces[n] = text.substr(start, p - start);
        if (n < 100) ++n;
        start = p + 1;
    }
    pieces[n] = text.substr(start);
    return pieces;
}

std::string ruleValue(const TCond& rule) {
    return rule.TitreMode + ',' + rule.Titre + ',' + rule.DimMode + ',' +
           std::to_string(rule.Width) + ',' + std::to_string(rule.Height);
}

TCond ruleThatFits(TCond rule) {
    for (std::string* field : {&rule.Titre, &rule.DimMode, &rule.TitreMode}) {
        std::size_t size = ruleValue(rule).size();
        if (size <= ProfileFile::MaxValueBytes) break;
        std::size_t excess = size - ProfileFile::MaxValueBytes;
        field->resize(cutUtf8(*field, field->size() > excess ? field->size() - excess : 0).size());
    }
    return rule;
}

TCond ruleFromValue(std::string_view value) {
    TCond rule;
    if (std::count(value.begin(), value.end(), ',') > 4) {
        std::size_t first = value.find(',');
        std::size_t height = value.rfind(',');
        std::size_t width = value.rfind(',', height - 1);
        std::size_t dim = value.rfind(',', width - 1);
        rule.TitreMode = value.substr(0, first);
        rule.Titre = value.substr(first + 1, dim - first - 1);
        rule.DimMode = value.substr(dim + 1, width - dim - 1);
        rule.Width = wholeNumberOr(value.substr(width + 1, height - width - 1), 0);
        rule.Height = wholeNumberOr(value.substr(height + 1), 0);
        return rule;
    }
    auto pieces = Decoupe(value, ',');
    rule.TitreMode = pieces[0];
    rule.Titre = pieces[1];
    rule.DimMode = pieces[2];
    rule.Width = wholeNumberOr(pieces[3], 0);
    rule.Height = wholeNumberOr(pieces[4], 0);
    return rule;
}

} // namespace vornel
