// What the command line shows of the desktops, on every platform.
#include "blocking/desktops/desktop_choice.h"
#include "common/program_language.h"

#include <QStringList>
#include <algorithm>
#include <string_view>
#include <vector>

namespace vornel {

namespace {

// How many bytes the UTF-8 sequence at text[i] takes; 0 when it is not one.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xc2 && lead < 0xe0 ? 2
                               : lead >= 0xe0 && lead < 0xf0 ? 3
                               : lead >= 0xf0 && lead < 0xf5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xc0) != 0x80) return 0;
    return length;
}

void writeEscaped(std::ostream& out, unsigned char byte) {
    static constexpr char Hex[] = "0123456789abcdef";
    out << "\\x" << Hex[byte >> 4] << Hex[byte & 15];
}

// A title holding a line break would forge a line of its own, and one
// holding an escape sequence would drive the terminal: control characters
// (those of Latin-1's upper half too, which some terminals obey) and bytes
// that are no UTF-8 are written as escapes.
void writeTitle(std::ostream& out, std::string_view title) {
    for (std::size_t i = 0; i < title.size();) {
        const auto byte = static_cast<unsigned char>(title[i]);
        const std::size_t length = sequenceLength(title, i);
        const bool c1 =
            length == 2 && byte == 0xc2 && static_cast<unsigned char>(title[i + 1]) < 0xa0;
        if (byte == '\\') {
            out << "\\\\";
        } else if (byte == '\t') {
            out << "\\t";
        } else if (byte == '\n') {
            out << "\\n";
        } else if (byte < 0x20 || byte == 0x7f || length == 0 || c1) {
            for (std::size_t k = 0; k < std::max<std::size_t>(length, 1); ++k)
                writeEscaped(out, static_cast<unsigned char>(title[i + k]));
        } else {
            out << title.substr(i, length);
        }
        i += std::max<std::size_t>(length, 1);
    }
}

} // namespace

QString desktopNamesText() {
    QStringList names;
    for (const std::string& name : desktopNames())
        names << QString::fromStdString(name);
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : programText("DesktopChoice", "%1 ou %2")
                                 .arg(names.join(QStringLiteral(", ")), last);
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
        out << '\t';
        writeTitle(out, std::string_view(title.data(), length));
        out << '\n';
    }
    out.flush();
}

} // namespace vornel
