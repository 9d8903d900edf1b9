#pragma once

// Answers a modal window from a timer, the way a user does: the code under
// test blocks in the window's own event loop until someone presses a button.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

class ModalAnswer {
public:
    using Act = std::function<void(QWidget* modal)>;

    // act runs once, with the modal window, as soon as one is open.
    explicit ModalAnswer(Act act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible()) return;
            timer_.stop();
            ++answered_;
            act_(modal);
        });
        timer_.start();
    }

    int answered() const { return answered_; }

private:
    Act act_;
    QTimer timer_;
    int answered_ = 0;
};
