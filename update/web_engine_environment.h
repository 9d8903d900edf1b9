#pragma once

#include <QByteArray>
#include <vector>

namespace vornel {

struct EnvironmentSetting {
    QByteArray name;
    QByteArray value;
};

// What the web engine is told through its environment before it first
// starts. Chromium refuses to run as root with its sandbox, so the sandbox is
// turned off then and only then, and its zygote processes with it. Chromium
// flags set by the user are left as they are; otherwise the page is drawn
// without the GPU and without Chromium's own background requests.
std::vector<EnvironmentSetting> webEngineEnvironment(bool runsAsRoot, bool userSetFlags);

// Applies the above to this process, for the current user.
void prepareWebEngineEnvironment();

} // namespace vornel
