// In a process of its own: the web engine must not be there before the
// first request, and no other test of this process may have loaded it.
#include "update_page_fixture.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vornel::test;

namespace {

bool webEngineLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) return false;
    return maps.readAll().contains("libQt6WebEngineCore");
}

TEST(UpdatePageStart, TheWebEngineComesWithTheFirstRequestOnly) {
    PageServer server;
    OnUpdatePage page(server.hostAndPort());
    // Whatever start-up queued has run by now.
    waitFor([] { return false; }, 300);
    EXPECT_FALSE(webEngineLoaded());
    EXPECT_EQ(page.browser(), nullptr);

    page.window->ui.sbMaj->click();
    EXPECT_TRUE(webEngineLoaded());
    ASSERT_TRUE(waitFor([&] { return !server.pageRequests().isEmpty(); }));
}

} // namespace
