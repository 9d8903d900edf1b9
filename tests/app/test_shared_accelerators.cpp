#include "app/shared_accelerators.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A window with two buttons that share Alt+G, counting their clicks. "&Gone"
// comes first in tab order (the order the buttons were made in), "&Go" first
// on screen.
struct TwoButtons {
    QWidget window;
    QPushButton* gone = new QPushButton("&Gone", &window);
    QPushButton* go = new QPushButton("&Go", &window);
    int goClicks = 0, goneClicks = 0;

    TwoButtons() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(go);
        layout->addWidget(gone);
        QObject::connect(go, &QPushButton::clicked, [this] { ++goClicks; });
        QObject::connect(gone, &QPushButton::clicked, [this] { ++goneClicks; });
    }
    void show() {
        window.show();
        window.activateWindow();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // Alt+G, then the time a button's animated click takes.
    void altG() {
        QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
        QTest::qWait(250);
    }
};

} // namespace

TEST(SharedAccelerators, TheEarlierVisibleEnabledButtonInTabOrderIsClicked) {
    TwoButtons w;
    // Like the main window's flat buttons, they take no focus: the search
    // starts from the top of the window.
    w.go->setFocusPolicy(Qt::NoFocus);
    w.gone->setFocusPolicy(Qt::NoFocus);
    vornel::clickEarlierOnSharedAccelerators(&w.window);
    w.show();

    w.altG();
    EXPECT_EQ(w.goneClicks, 1);
    EXPECT_EQ(w.goClicks, 0);

    // A button that cannot be used is passed over; alone, the other one acts
    // as Qt has it act anyway.
    w.gone->setEnabled(false);
    w.altG();
    w.gone->setEnabled(true);
    w.gone->hide();
    w.altG();
    EXPECT_EQ(w.goneClicks, 1);
    EXPECT_EQ(w.goClicks, 2);
}

TEST(SharedAccelerators, TheSearchStartsAfterTheFocusSoThatEachButtonCanBeReached) {
    TwoButtons w;
    auto* edit = new QLineEdit(&w.window); // after both in tab order
    w.window.layout()->addWidget(edit);
    vornel::clickEarlierOnSharedAccelerators(&w.window);
    w.show();

    w.gone->setFocus();
    w.altG();
    EXPECT_EQ(w.goClicks, 1) << "from the earlier button the key reaches the later one";
    w.go->setFocus();
    w.altG();
    EXPECT_EQ(w.goneClicks, 1) << "and from the later one it comes round to the earlier";
    edit->setFocus();
    w.altG();
    EXPECT_EQ(w.goneClicks, 2) << "past both, it comes round to the earlier first";
    EXPECT_EQ(w.goClicks, 1);
}

TEST(SharedAccelerators, WithoutItASharedKeyDoesNothing) {
    TwoButtons w;
    w.show();
    w.altG();
    EXPECT_EQ(w.goClicks + w.goneClicks, 0);
}
