#include "update/web_engine_environment.h"

#include <QtGlobal>
#include <unistd.h>

namespace vornel {

std::vector<EnvironmentSetting> webEngineEnvironment(bool runsAsRoot, bool userSetFlags) {
    std::vector<EnvironmentSetting> settings;
    if (runsAsRoot) settings.push_back({"QTWEBENGINE_DISABLE_SANDBOX", "1"});
    // A help page needs no GPU: software drawing keeps the browser lighter
    // and works on virtual and remote displays, where GL is software anyway.
    // Without the sandbox no zygote is needed either: each page's process is
    // then started by the engine itself and ends with the page, where
    // zygotes would stay for the life of the program.
    if (!userSetFlags)
        settings.push_back({"QTWEBENGINE_CHROMIUM_FLAGS",
                            runsAsRoot ? "--disable-gpu --disable-background-networking --no-zygote"
                                       : "--disable-gpu --disable-background-networking"});
    return settings;
}

void prepareWebEngineEnvironment() {
    const auto settings = webEngineEnvironment(
        geteuid() == 0, qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"));
    for (const auto& setting : settings)
        qputenv(setting.name.constData(), setting.value);
}

} // namespace vornel
