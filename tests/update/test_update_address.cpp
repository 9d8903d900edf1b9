#include "support/qt_print.h"
#include "update/update_address.h"

#include <gtest/gtest.h>

using namespace vornel;

namespace {

TEST(UpdateAddress, IsOurPageUnlessTheHostIsReplaced) {
    qunsetenv("VORNEL_UPDATE_HOST");
    EXPECT_EQ(updateAddress(), "http://www.vornel.example.org/maj/?prog=Vornel&version=2003.03");
    qputenv("VORNEL_UPDATE_HOST", "127.0.0.1:8123");
    EXPECT_EQ(updateAddress(), "http://127.0.0.1:8123/maj/?prog=Vornel&version=2003.03");
    qunsetenv("VORNEL_UPDATE_HOST");
}

TEST(UpdateHost, TakesAHostWithAnOptionalPort) {
    EXPECT_EQ(updateHost("miroir.example.net"), "miroir.example.net");
    EXPECT_EQ(updateHost("localhost:8080"), "localhost:8080");
    EXPECT_EQ(updateHost("[::1]:8080"), "[::1]:8080");
    EXPECT_EQ(updateHost("  127.0.0.1:80 "), "127.0.0.1:80");
}

TEST(UpdateHost, IgnoresAValueThatWouldChangeMoreThanTheHost) {
    const QString ours = DefaultUpdateHost;
    EXPECT_EQ(updateHost(""), ours);
    EXPECT_EQ(updateHost("   "), ours);
    EXPECT_EQ(updateHost("evil.example/autre?"), ours);
    EXPECT_EQ(updateHost("evil.example?x="), ours);
    EXPECT_EQ(updateHost("evil.example#"), ours);
    EXPECT_EQ(updateHost("user:pw@evil.example"), ours);
    EXPECT_EQ(updateHost("host:port"), ours);
    EXPECT_EQ(updateHost("exa mple.org"), ours);
}

} // namespace
