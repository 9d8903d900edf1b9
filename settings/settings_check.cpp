#include "settings/settings_check.h"

#include "blocking/close_rules.h"
#include "common/program_language.h"
#include "common/text.h"
#include "settings/rule_text.h"
#include "settings/settings_files.h"
#include "settings/text_lines.h"

#include <QDir>
#include <QFileInfo>
#include <map>
#include <ostream>
#include <unordered_map>

namespace vornel {

namespace {

enum class CheckedSection { None, Options, Imposed, Rules, Ports, Skipped };

// The [Vornel] keys; those marked imposable are the options page's, which
// [Impose] may hold too. The counter, the version and the day of the last
// update check belong to each user.
struct OptionKey {
    std::string_view name;
    bool number;
    bool imposable;
};
constexpr OptionKey OptionKeys[] = {
    {"demarre", true, true},   {"afficher", true, true},  {"total", false, false},
    {"version", false, false}, {"son", false, true},      {"maj", true, true},
    {"majjour", true, true},   {"majlast", false, false}, {"fenetrereduite", true, true},
};

bool isWholeNumber(std::string_view text) {
    return parseWholeNumber(text).has_value();
}

// A text of the check in the user's language, its %1 and %2 filled in.
std::string filled(const QString& text) {
    return text.toStdString();
}
std::string filled(const QString& text, const std::string& first) {
    return text.arg(QString::fromStdString(first)).toStdString();
}
std::string filled(const QString& text, const std::string& first, const std::string& second) {
    return text.arg(QString::fromStdString(first), QString::fromStdString(second)).toStdString();
}

std::string inQuotes(std::string_view text) {
    return filled(programText("SettingsCheck", "« %1 »"), std::string(text));
}

CheckedSection sectionOf(std::string_view lowered) {
    if (lowered == "vornel") return CheckedSection::Options;
    if (lowered == "impose") return CheckedSection::Imposed;
    if (lowered == "windows") return CheckedSection::Rules;
    if (lowered == "ports") return CheckedSection::Ports;
    return CheckedSection::Skipped;
}

std::optional<std::string> optionFault(CheckedSection section, const ProfileLine& line) {
    const std::string lowered = asciiLower(line.name);
    if (isBrowserKey(lowered)) return std::nullopt;
    for (const OptionKey& key : OptionKeys) {
        if (key.name != lowered) continue;
        if (section == CheckedSection::Imposed && !key.imposable)
            return filled(programText("SettingsCheck", "la clé %1 ne peut pas être imposée"),
                          inQuotes(line.name));
        if (key.number && !isWholeNumber(line.value))
            return filled(programText("SettingsCheck", "%1 n'est pas un nombre entier"),
                          inQuotes(line.value));
        return std::nullopt;
    }
    return filled(programText("SettingsCheck", "clé inconnue %1"), inQuotes(line.name));
}

std::optional<std::string> portFault(const ProfileLine& line) {
    const std::optional<int32_t> port = parseWholeNumber(line.name);
    if (port && *port >= 0 && *port <= 65535) return std::nullopt;
    return filled(programText("SettingsCheck", "%1 n'est pas un numéro de port (0 à 65535)"),
                  inQuotes(line.name));
}

// text names the mode, %1 its value.
std::optional<std::string> modeFault(const std::string& mode, const QString& text) {
    if (mode == "Y" || mode == "E" || mode == "N") return std::nullopt;
    return filled(text, inQuotes(mode));
}

// Why a stored rule can never close a window, or would close every one.
std::optional<std::string> ruleFault(const TCond& rule) {
    if (auto fault = modeFault(rule.TitreMode,
                               programText("SettingsCheck", "le mode du titre %1 n'est ni Y, ni "
                                                            "E, ni N")))
        return fault;
    if (auto fault = modeFault(rule.DimMode, programText("SettingsCheck",
                                                         "le mode de la dimension %1 n'est ni Y, "
                                                         "ni E, ni N")))
        return fault;
    if (rule.TitreMode == "N" && rule.DimMode == "N")
        return filled(programText("SettingsCheck",
                                  "cette règle n'a aucune condition : elle fermerait toutes les "
                                  "fenêtres du navigateur"));
    if (rule.TitreMode == "Y" && rule.Titre.empty())
        return filled(programText("SettingsCheck", "le texte que le titre doit contenir est vide : "
                                                   "la règle ne vaut jamais"));
    if (rule.DimMode != "N" && (rule.Width < 1 || rule.Height < 1))
        return filled(programText("SettingsCheck", "la largeur et la hauteur doivent être des "
                                                   "nombres entiers positifs"));
    return std::nullopt;
}

// Reads the lines one by one; the rules are judged at the end, since the
// load takes them by number, 1, 2, 3, … up to the first one missing.
class Checker {
public:
    void read(int number, std::string_view text);
    SettingsCheck finish();

private:
    void openSection(int number, const ProfileLine& line);
    void readKey(int number, std::string_view text, const ProfileLine& line);
    void readRule(int number, const ProfileLine& line);
    void fault(int number, std::string why) { check_.problems.push_back({number, std::move(why)}); }

    SettingsCheck check_;
    std::string usable_;
    CheckedSection section_ = CheckedSection::None;
    std::string sectionName_;
    std::unordered_map<std::string, int> sectionsSeen_;          // lower-cased name -> line
    std::unordered_map<std::string, int> keysSeen_;              // in the current section
    std::map<int32_t, std::pair<int, std::string>> storedRules_; // number -> line, value
};

void Checker::read(int number, std::string_view text) {
    const ProfileLine line = readProfileLine(text);
    switch (line.kind) {
    case ProfileLine::Kind::Ignored:
        return;
    case ProfileLine::Kind::Section:
        openSection(number, line);
        return;
    case ProfileLine::Kind::Key:
        readKey(number, text, line);
        return;
    case ProfileLine::Kind::Other:
        if (section_ == CheckedSection::Skipped) return;
        fault(number,
              filled(section_ == CheckedSection::Rules
                         ? programText("SettingsCheck", "ce n'est pas une règle "
                                                        "(numéro=mode,titre,mode,largeur,hauteur)")
                         : programText("SettingsCheck", "ce n'est ni un titre de section "
                                                        "ni une ligne clé=valeur")));
        return;
    }
}

// The reader knows one section of each name, the first.
void Checker::openSection(int number, const ProfileLine& line) {
    const std::string lowered = asciiLower(line.name);
    keysSeen_.clear();
    section_ = sectionOf(lowered);
    sectionName_ = "[" + line.name + "]";
    if (section_ == CheckedSection::Skipped) {
        fault(number,
              filled(programText("SettingsCheck", "section inconnue %1 : ses lignes sont ignorées"),
                     inQuotes(sectionName_)));
        return;
    }
    auto [seen, first] = sectionsSeen_.try_emplace(lowered, number);
    if (!first) {
        fault(number, filled(programText("SettingsCheck", "la section %1 est déjà ouverte ligne "
                                                          "%2 : ses lignes sont ignorées"),
                             inQuotes(sectionName_), std::to_string(seen->second)));
        section_ = CheckedSection::Skipped;
        return;
    }
    if (section_ != CheckedSection::Rules) usable_ += sectionName_ + "\n";
}

void Checker::readKey(int number, std::string_view text, const ProfileLine& line) {
    if (section_ == CheckedSection::Skipped) return;
    if (section_ == CheckedSection::None) {
        fault(number,
              filled(programText("SettingsCheck", "cette ligne est hors de toute section")));
        return;
    }
    auto [seen, first] = keysSeen_.try_emplace(asciiLower(line.name), number);
    if (!first) {
        fault(number, filled(programText("SettingsCheck", "la clé %1 est déjà donnée ligne %2 : "
                                                          "celle-ci est ignorée"),
                             inQuotes(line.name), std::to_string(seen->second)));
        return;
    }
    if (section_ == CheckedSection::Rules) return readRule(number, line);
    std::optional<std::string> why =
        section_ == CheckedSection::Ports ? portFault(line) : optionFault(section_, line);
    if (why)
        fault(number, std::move(*why));
    else
        usable_ += std::string(text) + "\n";
}

void Checker::readRule(int number, const ProfileLine& line) {
    const std::optional<int32_t> key = parseWholeNumber(line.name);
    if (!key || *key < 1 || std::to_string(*key) != line.name) {
        fault(number,
              filled(programText("SettingsCheck", "%1 n'est pas un numéro de règle (1, 2, 3…)"),
                     inQuotes(line.name)));
        return;
    }
    storedRules_.emplace(*key, std::pair(number, line.value));
}

SettingsCheck Checker::finish() {
    int32_t next = 1;
    std::string stop;
    for (const auto& [key, stored] : storedRules_) {
        const auto& [number, value] = stored;
        if (stop.empty() && key != next)
            stop =
                filled(programText("SettingsCheck", "la règle n° %1 manque"), std::to_string(next));
        if (stop.empty() && key > CloseRules::MaxRules)
            stop = filled(programText("SettingsCheck", "la liste s'arrête à %1 règles"),
                          std::to_string(CloseRules::MaxRules));
        if (!stop.empty()) {
            fault(number, filled(programText("SettingsCheck", "règle ignorée : %1"), stop));
            continue;
        }
        ++next;
        if (value.empty()) {
            stop = filled(programText("SettingsCheck", "la règle n° %1 est vide"),
                          std::to_string(key));
            continue;
        }
        const TCond rule = ruleFromValue(value);
        if (auto why = ruleFault(rule))
            fault(number, std::move(*why));
        else
            check_.rules.push_back(rule);
    }
    std::stable_sort(check_.problems.begin(), check_.problems.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    check_.usable = ProfileFile::fromText(usable_);
    return std::move(check_);
}

} // namespace

bool isBrowserKey(std::string_view key) {
    constexpr std::string_view Prefix = "fenetre";
    const std::string lowered = asciiLower(key);
    if (!lowered.starts_with(Prefix)) return false;
    const std::string_view number = std::string_view(lowered).substr(Prefix.size());
    const std::optional<int32_t> n = parseWholeNumber(number);
    return n && *n >= 1 && std::to_string(*n) == number;
}

SettingsCheck checkSettings(std::string_view text) {
    Checker checker;
    int number = 0;
    for (std::string_view line : textLines(text))
        checker.read(++number, line);
    return checker.finish();
}

SettingsCheck checkSettingsFile(const QString& path) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        SettingsCheck unread;
        unread.problems.push_back(
            {0, filled(QFileInfo::exists(path)
                           ? programText("SettingsCheck", "le fichier ne peut pas être lu")
                           : programText("SettingsCheck", "le fichier n'existe pas"))});
        return unread;
    }
    const std::optional<std::string> text = textOfFile(*bytes);
    if (!text) {
        SettingsCheck unread;
        unread.problems.push_back(
            {0, filled(programText("SettingsCheck", "ce n'est pas un fichier texte"))});
        return unread;
    }
    return checkSettings(*text);
}

QString problemText(const QString& path, const SettingsProblem& problem) {
    const QString file = QDir::toNativeSeparators(path);
    const QString why = QString::fromStdString(problem.why);
    if (problem.line == 0) return programText("SettingsCheck", "%1 : %2").arg(file, why);
    return programText("SettingsCheck", "%1, ligne %2 : %3")
        .arg(file, QString::number(problem.line), why);
}

int printSettingsCheck(const QString& path, std::ostream& out) {
    const SettingsCheck check = checkSettingsFile(path);
    for (const SettingsProblem& problem : check.problems)
        out << problemText(path, problem).toUtf8().constData() << '\n';
    out.flush();
    return check.problems.empty() ? 0 : 1;
}

} // namespace vornel
