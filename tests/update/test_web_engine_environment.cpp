#include "update/web_engine_environment.h"

#include <gtest/gtest.h>

using namespace vornel;

namespace {

bool has(const std::vector<EnvironmentSetting>& settings, const char* name) {
    for (const auto& setting : settings)
        if (setting.name == name) return true;
    return false;
}

QByteArray valueOf(const std::vector<EnvironmentSetting>& settings, const char* name) {
    for (const auto& setting : settings)
        if (setting.name == name) return setting.value;
    return {};
}

TEST(WebEngineEnvironment, TheSandboxIsTurnedOffForRootOnly) {
    EXPECT_TRUE(has(webEngineEnvironment(true, false), "QTWEBENGINE_DISABLE_SANDBOX"));
    EXPECT_TRUE(has(webEngineEnvironment(true, true), "QTWEBENGINE_DISABLE_SANDBOX"));
    EXPECT_FALSE(has(webEngineEnvironment(false, false), "QTWEBENGINE_DISABLE_SANDBOX"));
    EXPECT_FALSE(has(webEngineEnvironment(false, true), "QTWEBENGINE_DISABLE_SANDBOX"));
}

// Zygotes outlive every page; only without the sandbox can the engine do
// without them.
TEST(WebEngineEnvironment, NoZygoteWithoutTheSandbox) {
    EXPECT_TRUE(valueOf(webEngineEnvironment(true, false), "QTWEBENGINE_CHROMIUM_FLAGS")
                    .contains("--no-zygote"));
    EXPECT_FALSE(valueOf(webEngineEnvironment(false, false), "QTWEBENGINE_CHROMIUM_FLAGS")
                     .contains("--no-zygote"));
}

TEST(WebEngineEnvironment, FlagsTheUserSetAreLeftAlone) {
    EXPECT_TRUE(has(webEngineEnvironment(false, false), "QTWEBENGINE_CHROMIUM_FLAGS"));
    EXPECT_FALSE(has(webEngineEnvironment(false, true), "QTWEBENGINE_CHROMIUM_FLAGS"));
    EXPECT_FALSE(has(webEngineEnvironment(true, true), "QTWEBENGINE_CHROMIUM_FLAGS"));
}

} // namespace
