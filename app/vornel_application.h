#pragma once

#include <QApplication>
#include <functional>

class QWidget;

namespace vornel {

// Runs handler; an exception that escapes it is shown in the error box and
// the program goes on, the action abandoned where it failed.
void reportingErrors(const std::function<void()>& handler, QWidget* parent = nullptr);

// The application object: every event handler runs inside reportingErrors, so
// no handler can end the program by throwing.
class VornelApplication : public QApplication {
public:
    VornelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace vornel
