#pragma once

// Helpers of the application-shell GUI tests.
#include "blocking/alert_sound.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace vornel::test {

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
