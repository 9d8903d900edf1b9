#include "update/web_engine_environment.h"

#include <QtGlobal>
#include <unistd.h>

namespace vornel {

std::vector<EnvironmentSetting> webEngineEnvironment(bool runsAsRoot, bool userSetFlags) {
    std::vector<EnvironmentSetting> settings;
    if (runsAsRoot) settings.push_back({"QTWEBENGINE_DISABLE_SANDBOX", "1"});
    // A help page needs no GPU: software drawing keeps the browser lighter
    // and works on virtual and remote displays, where GL is software anyway.
    if (!userSetFlags)
        settings.push_back(
            {"QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking"});
    return settings;
}

void prepareWebEngineEnvironment() {
    const auto settings = webEngineEnvironment(
        geteuid() == 0, qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"));
    for (const auto& setting : settings)
        qputenv(setting.name.constData(), setting.value);
}

} // namespace vornel
