#include "app/shared_accelerators.h"

#include <QAbstractButton>
#include <QApplication>
#include <QShortcutEvent>
#include <QWidget>

namespace vornel {

namespace {

class SharedAccelerators : public QObject {
public:
    explicit SharedAccelerators(QWidget* window) : QObject(window), window_(window) {
        const auto buttons = window->findChildren<QAbstractButton*>();
        for (QAbstractButton* button : buttons)
            button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) return QObject::eventFilter(watched, event);
        auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (!shortcut->isAmbiguous()) return false;
        QAbstractButton* next = nextInTabOrder(shortcut->key());
        if (!next) return false;
        next->animateClick();
        return true;
    }

private:
    // The search starts after the control that has the focus and comes round
    // to it last, as a Windows dialog's does: with the focus before both
    // buttons the earlier acts, with the focus between them the later one, so
    // each of them can be reached from the keyboard.
    QAbstractButton* nextInTabOrder(const QKeySequence& key) const {
        QWidget* focus = QApplication::focusWidget();
        QWidget* start = focus && window_->isAncestorOf(focus) ? focus : window_;
        QWidget* w = start;
        do {
            w = w->nextInFocusChain();
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (button && button->isVisible() && button->isEnabled() && button->shortcut() == key)
                return button;
        } while (w != start);
        return nullptr;
    }

    QWidget* window_;
};

} // namespace

void clickEarlierOnSharedAccelerators(QWidget* window) {
    new SharedAccelerators(window);
}

} // namespace vornel
