#include "blocking/spin_edit.h"
#include "support/qt_print.h"

#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using vornel::SpinEdit;

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
