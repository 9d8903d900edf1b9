// What the command line asks of the desktop, on every platform.
#include "blocking/desktops/desktop_choice.h"

#include <string_view>
#include <vector>

namespace vornel {

std::string forcedDesktop(int argc, char** argv) {
    constexpr std::string_view Option = "--desktop";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == Option && i + 1 < argc) return argv[i + 1];
        if (arg.starts_with(Option) && arg.size() > Option.size() && arg[Option.size()] == '=')
            return std::string(arg.substr(Option.size() + 1));
    }
    return {};
}

void printWindows(Desktop& desktop, std::ostream& out) {
    std::vector<char> title(5000);
    desktop.beginWalk();
    for (WindowHandle h = desktop.GetWindow(0, GW_HWNDFIRST); h;
         h = desktop.GetWindow(h, GW_HWNDNEXT)) {
        const int length = desktop.GetWindowTextA(h, title.data(), int(title.size()));
        const WindowRect r = desktop.GetWindowRect(h);
        out << h << '\t' << desktop.IsWindowVisible(h) << '\t' << desktop.IsIconic(h) << '\t';
        if (desktop.sizeKnown(h))
            out << r.width() << 'x' << r.height();
        else
            out << '?';
        out << '\t' << std::string_view(title.data(), length) << '\n';
    }
    out.flush();
}

} // namespace vornel
