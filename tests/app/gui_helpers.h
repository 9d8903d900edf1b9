#pragma once

// Helpers of the application-shell GUI tests.
#include "blocking/alert_sound.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace vornel::test {

// Settings, log and start-at-logon entry of the windows under test go to a
// temporary folder, never beside the test or into the user's own folders.
class PrivateFolders {
public:
    PrivateFolders() {
        qputenv("VORNEL_CONFIG_DIR", QFile::encodeName(dir_.filePath("settings")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath("config")));
    }
    ~PrivateFolders() {
        qunsetenv("VORNEL_CONFIG_DIR");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

struct QuietSound : AlertSound {
    void play(const std::string&) override {}
};

// Runs action; a message box that it opens is answered, and its text (with
// its caption) returned. Empty when none opened.
struct AnsweredBox {
    QString caption, text, objectName;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline AnsweredBox answerBoxDuring(const std::function<void()>& action) {
    AnsweredBox seen;
    QTimer answerer;
    answerer.setInterval(5);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen = {box->windowTitle(), box->text(), box->objectName(), box->icon()};
                box->accept();
            }
    });
    answerer.start();
    action();
    return seen;
}

} // namespace vornel::test
