// Runs under the program's own application object, so this test has its own main().
#include "app/vornel_application.h"
#include "gui_helpers.h"
#include "support/qt_print.h"

#include <QMouseEvent>
#include <QPushButton>
#include <clocale>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace vornel;

namespace {

// A click as the window system delivers it: two mouse events.
void press(QPushButton& button) {
    const QPointF at(button.width() / 2.0, button.height() / 2.0);
    const QPointF global = button.mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&button, &down);
    QApplication::sendEvent(&button, &up);
}

// A button whose click handler fails with the given text.
test::AnsweredBox clickFailingWith(const char* message) {
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     [message] { throw std::runtime_error(message); });
    return test::answerBoxDuring([&] { press(button); });
}

} // namespace

TEST(EscapedErrors, AreShownInTheErrorBoxWithTheFullStopRule) {
    const auto letter = clickFailingWith("Impossible d'écrire le fichier");
    EXPECT_EQ(letter.text, "Impossible d'écrire le fichier.");
    EXPECT_EQ(letter.caption, "Vornel");
    EXPECT_EQ(letter.icon, QMessageBox::Critical);
    EXPECT_EQ(clickFailingWith("Fichier introuvable.").text, "Fichier introuvable.");
    EXPECT_EQ(clickFailingWith("Attention !").text, "Attention !");
}

TEST(EscapedErrors, AbandonTheActionAndTheProgramGoesOn) {
    QPushButton button;
    int reached = 0, after = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++reached;
        throw std::runtime_error("raté");
        ++after;
    });
    const auto box = test::answerBoxDuring([&] {
        press(button);
        press(button);
    });
    EXPECT_EQ(box.text, "raté.");
    EXPECT_EQ(reached, 2);
    EXPECT_EQ(after, 0);
}

TEST(EscapedErrors, AnErrorThatIsNoExceptionClassStillGetsABox) {
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] { throw 42; });
    EXPECT_FALSE(test::answerBoxDuring([&] { press(button); }).text.isEmpty());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::setlocale(LC_TIME, "C");
    VornelApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
