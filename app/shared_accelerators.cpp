#include "app/shared_accelerators.h"

#include <QAbstractButton>
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
        QAbstractButton* first = firstInTabOrder(shortcut->key());
        if (!first) return false;
        first->animateClick();
        return true;
    }

private:
    QAbstractButton* firstInTabOrder(const QKeySequence& key) const {
        for (QWidget* w = window_->nextInFocusChain(); w != window_; w = w->nextInFocusChain()) {
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (button && button->isVisible() && button->isEnabled() && button->shortcut() == key)
                return button;
        }
        return nullptr;
    }

    QWidget* window_;
};

} // namespace

void clickEarlierOnSharedAccelerators(QWidget* window) {
    new SharedAccelerators(window);
}

} // namespace vornel
