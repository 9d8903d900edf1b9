// What the command line shows of the desktops, on every platform.
#include "blocking/desktops/desktop_choice.h"

#include <QStringList>
#include <string_view>
#include <vector>

namespace vornel {

QString desktopNamesText() {
    QStringList names;
    for (const std::string& name : desktopNames())
        names << QString::fromStdString(name);
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" ou ") + last;
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
