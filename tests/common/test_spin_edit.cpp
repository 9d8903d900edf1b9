#include "common/spin_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

// A spin edit of 1 to 90 holding 15 with the keyboard focus, beside a line
// edit that can take the focus away.
class TypedSpinEdit : public ::testing::Test {
protected:
    TypedSpinEdit() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(other);
        box->setRange(1, 90);
        box->setValue(15);
        keepSpinEditInRange(*box);
        window.show();
        QApplication::setActiveWindow(&window);
        box->setFocus();
        QApplication::processEvents();
    }

    void type(const QString& keys) {
        for (QChar c : keys)
            press(Qt::Key(c.toUpper().unicode()), c);
    }
    void press(Qt::Key key, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(box, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(box, &up);
    }
    void clear() {
        box->selectAll();
        press(Qt::Key_Backspace);
    }
    void leave() {
        other->setFocus();
        QApplication::processEvents();
    }

    QWidget window;
    QSpinBox* box = new QSpinBox;
    QLineEdit* other = new QLineEdit;
};

TEST_F(TypedSpinEdit, TextThatIsNotANumberReadsAsTheLowerLimit) {
    ASSERT_TRUE(box->hasFocus());
    clear();
    EXPECT_EQ(box->cleanText(), "");
    // Still being typed: a save that runs now reads the lower limit.
    EXPECT_EQ(spinEditValue(*box), 1);
    leave();
    EXPECT_EQ(box->value(), 1);
    EXPECT_EQ(box->text(), "1");
}

TEST_F(TypedSpinEdit, ValueBelowTheRangeIsBroughtIntoItOnLeaving) {
    clear();
    type("0");
    EXPECT_EQ(box->cleanText(), "0");
    EXPECT_EQ(spinEditValue(*box), 1);
    leave();
    EXPECT_EQ(box->value(), 1);
    EXPECT_EQ(box->text(), "1");
}

TEST_F(TypedSpinEdit, ValueInTheRangeIsKept) {
    clear();
    type("42");
    EXPECT_EQ(spinEditValue(*box), 42);
    leave();
    EXPECT_EQ(box->value(), 42);
}

TEST(SpinEditValue, ReadsTheTextNotTheLastAcceptedValue) {
    QSpinBox box;
    box.setRange(1, 9999);
    box.setValue(300);
    EXPECT_EQ(spinEditValue(box), 300);
    box.setValue(20000);
    EXPECT_EQ(spinEditValue(box), 9999);
}

} // namespace
