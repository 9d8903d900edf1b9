#include "app/tfm_vornel.h"
#include "blocking/alert_sound.h"
#include "blocking/system_desktop.h"

#include <QApplication>
#include <clocale>

namespace {

class SilentSound : public vornel::AlertSound {
public:
    void play(const std::string&) override {}
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Dates in the log follow the user's regional formats.
    std::setlocale(LC_TIME, "");
    QApplication::setApplicationName(QStringLiteral("Vornel"));
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<vornel::Desktop> desktop = vornel::openSystemDesktop();
    SilentSound sound;
    TfmVornel fmVornel(*desktop, sound);
    fmVornel.show();
    return app.exec();
}
