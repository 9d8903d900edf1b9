#pragma once

// Answers a modal window from a timer, the way a user does: the code under
// test blocks in the window's own event loop until someone presses a button.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

class ModalAnswer {
public:
    using Act = std::function<void(QWidget* modal)>;

    // act runs once, with the modal window, as soon as one is open. A modal
    // window already open when the answer is made (the editor that a second
    // request arrives over) is not its to answer: on a busy machine the timer
    // would otherwise find it before the code under test had run.
    explicit ModalAnswer(Act act)
        : act_(std::move(act)), alreadyOpen_(QApplication::activeModalWidget()) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal == alreadyOpen_) return;
            timer_.stop();
            ++answered_;
            act_(modal);
        });
        timer_.start();
    }

    int answered() const { return answered_; }

private:
    Act act_;
    QPointer<QWidget> alreadyOpen_;
    QTimer timer_;
    int answered_ = 0;
};
