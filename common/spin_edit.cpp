#include "common/spin_edit.h"

#include "common/text.h"

#include <QEvent>
#include <QSpinBox>
#include <algorithm>

namespace vornel {

namespace {

class RangeKeeper : public QObject {
public:
    explicit RangeKeeper(QSpinBox& box) : QObject(&box), box_(box) {}

    // Runs before the spin box's own handling, which would otherwise put the
    // previous value back.
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) box_.setValue(spinEditValue(box_));
        return false;
    }

private:
    QSpinBox& box_;
};

} // namespace

int spinEditValue(const QSpinBox& box) {
    const int value = wholeNumberOr(box.cleanText().toStdString(), box.minimum());
    return std::clamp(value, box.minimum(), box.maximum());
}

void keepSpinEditInRange(QSpinBox& box) {
    box.setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box.installEventFilter(new RangeKeeper(box));
}

} // namespace vornel
