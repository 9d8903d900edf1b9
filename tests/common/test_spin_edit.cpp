#include "common/spin_edit.h"
#include "support/qt_print.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
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
        window.show();
        window.activateWindow();
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
    SpinEdit* box = new SpinEdit;
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

namespace {

// Two fields in a window, so that the focus can really leave the first.
class Fields : public ::testing::Test {
protected:
    Fields() {
        first->move(0, 0);
        second->move(0, 30);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        first->setFocus();
    }

    void type(const QString& text) {
        first->selectAll();
        QTest::keyClick(first, Qt::Key_Delete);
        QTest::keyClicks(first, text);
    }
    void leave() {
        second->setFocus();
        QApplication::processEvents();
    }

    QWidget window;
    SpinEdit* first = new SpinEdit(&window);
    SpinEdit* second = new SpinEdit(&window);
};

} // namespace

TEST_F(Fields, ProgramSetValuesAreClamped) {
    EXPECT_EQ(first->minimum(), 1);
    EXPECT_EQ(first->maximum(), 9999);
    for (auto [set, shown] : {std::pair{0, "1"}, {-5, "1"}, {12000, "9999"}, {800, "800"}}) {
        first->setValue(set);
        EXPECT_EQ(first->text(), shown) << set;
        EXPECT_EQ(first->value(), QString(shown).toInt()) << set;
    }
}

TEST_F(Fields, TypedNumbersOutOfRangeGoToTheNearestLimitOnLeaving) {
    struct Case {
        const char* typed;
        const char* before; // read while still in the field
        const char* after;  // shown once the field is left
    };
    for (Case c : {Case{"12345", "12345", "9999"}, Case{"0", "0", "1"}, Case{"-7", "-7", "1"},
                   Case{"99999999999999999999", "99999999999999999999", "9999"},
                   Case{"0042", "0042", "42"}, Case{"", "", "1"}, Case{"-", "-", "1"}}) {
        first->setValue(500);
        first->setFocus();
        type(c.typed);
        EXPECT_EQ(first->text(), c.before) << c.typed;
        leave();
        EXPECT_EQ(first->text(), c.after) << c.typed;
        EXPECT_EQ(first->value(), QString(c.after).toInt()) << c.typed;
    }
}

TEST_F(Fields, OnlySignsAndDigitsCanBeTyped) {
    first->setValue(500);
    type("4x2 a");
    EXPECT_EQ(first->text(), "42");
}
