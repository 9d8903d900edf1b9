#include "settings/system_settings.h"

#include "common/text.h"

#include <QFileInfo>

namespace vornel {

namespace {

constexpr std::string_view OptionsSection = "Vornel";
constexpr std::string_view ImposedSection = "Impose";
constexpr std::string_view PortsSection = "Ports";
constexpr std::string_view FirstBrowserKey = "Fenetre1";

// Fenetre1 to FenetreN as the load reads them, up to the first one missing
// (a blank one is a blank line of the list); what the user's file holds
// beyond goes, so that the list ends there.
void writeBrowserNames(const ProfileFile& from, std::string_view section, ProfileFile& to) {
    auto key = [](int n) { return "Fenetre" + std::to_string(n); };
    int n = 1;
    for (; auto name = from.readOptional(section, key(n)); ++n)
        to.writeString(OptionsSection, key(n), *name);
    for (; to.readOptional(OptionsSection, key(n)); ++n)
        to.removeKey(OptionsSection, key(n));
}

} // namespace

SystemSettings SystemSettings::read(const QString& path) {
    SystemSettings system;
    if (path.isEmpty() || !QFileInfo::exists(path)) return system;
    system.path_ = path;
    system.content_ = checkSettingsFile(path);
    return system;
}

QStringList SystemSettings::problems() const {
    QStringList texts;
    for (const SettingsProblem& problem : content_.problems)
        texts << problemText(path_, problem);
    return texts;
}

bool SystemSettings::imposes(std::string_view key) const {
    return content_.usable.contains(ImposedSection, isBrowserKey(key) ? FirstBrowserKey : key);
}

void SystemSettings::applyTo(ProfileFile& user) const {
    const ProfileFile& system = content_.usable;
    for (const auto& [key, value] : system.entries(OptionsSection))
        if (!isBrowserKey(key) && !user.contains(OptionsSection, key))
            user.writeString(OptionsSection, key, value);
    if (!user.contains(OptionsSection, FirstBrowserKey) &&
        system.contains(OptionsSection, FirstBrowserKey))
        writeBrowserNames(system, OptionsSection, user);
    for (const auto& [key, value] : system.entries(ImposedSection))
        if (!isBrowserKey(key)) user.writeString(OptionsSection, key, value);
    if (imposes(FirstBrowserKey)) writeBrowserNames(system, ImposedSection, user);
    for (const auto& [port, name] : system.entries(PortsSection))
        if (!user.contains(PortsSection, port)) user.writeString(PortsSection, port, name);
}

bool SystemSettings::givesDefault(std::string_view key) const {
    return content_.usable.contains(OptionsSection, isBrowserKey(key) ? FirstBrowserKey : key);
}

QString systemSettingsPath() {
    for (const QString& path : systemSettingsPaths())
        if (QFileInfo::exists(path)) return path;
    return {};
}

} // namespace vornel
