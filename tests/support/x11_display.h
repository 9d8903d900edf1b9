#pragma once

// The X displays of the x11 tests: the shared one that the x11_setup fixture
// started (VORNEL_TEST_X11_DIR holds its folder), and private ones that a test
// or a benchmark starts for itself with the same script.
#include <cstdlib>
#include <fstream>
#include <string>

namespace vornel::test {

// The display named in DIR/display, such as ":57"; empty when there is none.
inline std::string displayIn(const std::string& dir) {
    std::ifstream in(dir + "/display");
    std::string display;
    std::getline(in, display);
    return display;
}

// The fixture's display; empty when the test runs outside the x11 fixture.
inline std::string testDisplay() {
    const char* dir = std::getenv("VORNEL_TEST_X11_DIR");
    return dir ? displayIn(dir) : std::string();
}

// A private Xvfb (with openbox unless withWindowManager is false) for the
// lifetime of the object; display() is empty when it could not start.
class X11Session {
public:
    X11Session(std::string dir, bool withWindowManager = true) : dir_(std::move(dir)) {
        // The window manager reads its settings and theme from the machine's
        // freedesktop folders, which the test main hides from the tests.
        std::string command = "env -u XDG_DATA_HOME -u XDG_DATA_DIRS -u XDG_CONFIG_DIRS " +
                              std::string(VORNEL_X11_SESSION) + " start '" + dir_ + "'" +
                              (withWindowManager ? "" : " --no-wm");
        if (std::system(command.c_str()) == 0) display_ = displayIn(dir_);
    }
    ~X11Session() {
        std::string command = std::string(VORNEL_X11_SESSION) + " stop '" + dir_ + "'";
        (void)std::system(command.c_str());
    }
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    const std::string& display() const { return display_; }

private:
    std::string dir_;
    std::string display_;
};

} // namespace vornel::test
