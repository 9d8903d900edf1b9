#include "app/vornel_application.h"

#include "common/error_box.h"

#include <exception>

namespace vornel {

void reportingErrors(const std::function<void()>& handler, QWidget* parent) {
    try {
        handler();
    } catch (const std::exception& e) {
        showErrorBox(parent ? parent : QApplication::activeWindow(), QString::fromUtf8(e.what()));
    } catch (...) {
        showErrorBox(parent ? parent : QApplication::activeWindow(),
                     QStringLiteral("Erreur inconnue"));
    }
}

VornelApplication::VornelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VornelApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    reportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace vornel
