#include "common/error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vornel;

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersBeyondTheDot) {
    EXPECT_EQ(errorText("Disk full"), "Disk full.");
    EXPECT_EQ(errorText("Done."), "Done.");
    EXPECT_EQ(errorText("Stop!"), "Stop!");
    EXPECT_EQ(errorText("(see above)"), "(see above)");
    EXPECT_EQ(errorText("path /tmp/x"), "path /tmp/x.");
    EXPECT_EQ(errorText("code 7"), "code 7.");
    EXPECT_EQ(errorText(""), "");
}

TEST(ErrorBox, ShowsCaptionIconAndText) {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                caption = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            }
    });
    showErrorBox(nullptr, "Impossible d'écrire dans /tmp/x/vornel.ini");
    EXPECT_EQ(caption, "Vornel");
    EXPECT_EQ(text, "Impossible d'écrire dans /tmp/x/vornel.ini.");
    EXPECT_EQ(icon, QMessageBox::Critical);
}
