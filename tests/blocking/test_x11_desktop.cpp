#include "support/x11_display.h"

#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace vornel;

// The x11 tests run on the fixture's private display, never the user's own,
// and find a window manager already managing it.
TEST(X11Fixture, TestsRunOnThePrivateManagedDisplay) {
    std::string display = test::testDisplay();
    ASSERT_FALSE(display.empty());
    EXPECT_EQ(std::getenv("DISPLAY"), display);
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");

    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto* prop = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(xcb_get_property_value_length(prop), 4);
    free(prop);
    free(atom);
    xcb_disconnect(c);
}
