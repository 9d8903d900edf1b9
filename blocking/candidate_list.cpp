#include "blocking/candidate_list.h"

#include "app/tfm_vornel.h"
#include "blocking/list_rows.h"
#include "common/memo_lines.h"
#include "common/text.h"

#include <array>

namespace vornel {

std::string shortTitle(Desktop& desktop, std::string_view rowText,
                       const std::vector<std::string>& browserNames) {
    WindowHandle window = parseHandle(rowText);
    if (window == 0) return {};
    std::array<char, ShortTitleBufferSize> buffer{};
    int length = desktop.GetWindowTextA(window, buffer.data(), ShortTitleBufferSize);
    std::string_view title(buffer.data(), std::size_t(length));
    for (const std::string& name : browserNames) {
        auto at = findText(title, name);
        if (at != std::string_view::npos) return std::string(trimControl(title.substr(0, at)));
    }
    return std::string(title);
}

std::vector<std::string> defaultBrowserNames(const std::string& ieTitle) {
    return {ieTitle.empty() ? " - Microsoft Internet Explorer" : ieTitle, " - Netscape",
            " - Mozilla"};
}

} // namespace vornel

namespace {

std::vector<std::string> browserNames(const QPlainTextEdit* memo) {
    std::vector<std::string> names;
    for (const QString& line : vornel::memoLines(memo))
        names.push_back(line.toStdString());
    return names;
}

} // namespace

QString TfmVornel::TitreCourt(const QString& rowText) {
    return QString::fromStdString(
        vornel::shortTitle(desktop_, rowText.toStdString(), browserNames(ui.mFen)));
}

void TfmVornel::FenetresDefaut() {
    QStringList lines;
    for (const std::string& name : vornel::defaultBrowserNames(TitreIE))
        lines << QString::fromStdString(name);
    vornel::setMemoLines(ui.mFen, lines);
}

void TfmVornel::sbFenDefautClick() {
    FenetresDefaut();
    SauveListe();
}

void TfmVornel::lb1Click() {
    ui.sbFermer->setEnabled(vornel::selectedRow(ui.lb1) >= 0);
}
