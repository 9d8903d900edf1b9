#include "blocking/alert_sound.h"
#include "blocking/scripted_desktop.h"
#include "blocking/tfm_ferme.h"
#include "support/modal_answer.h"
#include "support/qt_print.h"
#include "support/scan_widgets.h"

#include <QCloseEvent>
#include <QTest>
#include <gtest/gtest.h>

using vornel::TCond;

namespace {

class Editor : public ::testing::Test {
protected:
    Editor() {
        mainWindow.setWindowTitle("Vornel 2003.03 - le bloqueur de pubs");
        dialog.mainWindow = &mainWindow;
    }

    // Opens the editor on rule, lets act play the user, and returns what
    // EditRule answered. act must close the dialog.
    bool edit(TCond& rule, std::function<void(TfmFerme&)> act) {
        ModalAnswer answer([&](QWidget*) {
            dialog.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            act(dialog);
        });
        bool confirmed = dialog.EditRule(rule);
        EXPECT_EQ(answer.answered(), 1);
        return confirmed;
    }

    void ok() { QTest::mouseClick(dialog.ui.bOk, Qt::LeftButton); }
    void cancel() { QTest::mouseClick(dialog.ui.Button2, Qt::LeftButton); }
    void chooseTitle(int item) { dialog.ui.cbTitre->setCurrentIndex(item); }
    void chooseSize(int item) { dialog.ui.cbDim->setCurrentIndex(item); }
    void typeTitle(const QString& text) {
        QTest::mouseClick(dialog.ui.eTitre, Qt::LeftButton);
        dialog.ui.eTitre->selectAll();
        QTest::keyClicks(dialog.ui.eTitre, text);
    }

    QWidget mainWindow;
    TfmFerme dialog;
};

QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace

TEST_F(Editor, LayoutTextsAndTabOrder) {
    const auto& ui = dialog.ui;
    EXPECT_EQ(dialog.size(), QSize(426, 162));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.pos(), QPoint(361, 194));
    EXPECT_EQ(dialog.windowTitle(), "Fermeture automatique");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);

    EXPECT_EQ(ui.Label1->text(), "Fermer automatiquement les fenêtres dont : (Faites vos choix)");
    EXPECT_EQ(ui.Label4->text(), "ET");
    EXPECT_EQ(ui.Label2->text(), "Largeur");
    EXPECT_EQ(ui.Label3->text(), "Hauteur");
    EXPECT_EQ(items(ui.cbTitre), QStringList({"Le titre contient le texte", "Le titre est égal à",
                                              "Pas cette condition"}));
    EXPECT_EQ(items(ui.cbDim),
              QStringList({"La dimension est égale à", "La dimension est inférieure à",
                           "Pas de condition de dimension"}));
    EXPECT_FALSE(ui.cbTitre->isEditable());
    EXPECT_FALSE(ui.cbDim->isEditable());
    EXPECT_EQ(ui.bOk->text(), "&Ok");
    EXPECT_EQ(ui.Button2->text(), "&Annuler");
    EXPECT_TRUE(ui.bOk->isDefault());
    EXPECT_FALSE(ui.Button2->isDefault());

    EXPECT_EQ(ui.cbTitre->geometry(), QRect(8, 32, 145, 21));
    EXPECT_EQ(ui.eTitre->geometry(), QRect(160, 32, 257, 21));
    EXPECT_EQ(ui.cbDim->geometry(), QRect(8, 80, 169, 21));
    EXPECT_EQ(ui.seWidth->geometry(), QRect(224, 80, 73, 22));
    EXPECT_EQ(ui.seHeight->geometry(), QRect(344, 80, 73, 22));
    EXPECT_EQ(ui.bOk->geometry(), QRect(248, 128, 75, 25));
    EXPECT_EQ(ui.Button2->geometry(), QRect(336, 128, 75, 25));
    // What the rule would close is told beside the buttons, below the line.
    EXPECT_EQ(ui.lFermerait->geometry(), QRect(8, 116, 232, 44));

    // Tab goes eTitre, seWidth, seHeight, bOk, Button2, cbTitre, cbDim and round.
    const QList<QWidget*> order{ui.eTitre,  ui.seWidth, ui.seHeight, ui.bOk,
                                ui.Button2, ui.cbTitre, ui.cbDim};
    QStringList seen;
    QWidget* w = ui.eTitre;
    for (int steps = 0; steps < 40 && seen.size() <= order.size(); ++steps) {
        w = w->nextInFocusChain();
        if (order.contains(w)) seen << w->objectName();
    }
    EXPECT_EQ(seen, QStringList({"seWidth", "seHeight", "bOk", "Button2", "cbTitre", "cbDim",
                                 "eTitre", "seWidth"}));
}

TEST_F(Editor, EscapeDoesNotCloseButTheCloseBoxCancels) {
    TCond rule{"E", "E", "casino", 400, 300};
    const TCond before = rule;
    bool stillOpenAfterEscape = false;
    bool confirmed = edit(rule, [&](TfmFerme& d) {
        typeTitle("changed");
        QTest::keyClick(d.ui.eTitre, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Escape);
        QApplication::processEvents();
        stillOpenAfterEscape = d.isVisible();
        d.close(); // the title bar's close box
    });
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(rule, before);
}

TEST_F(Editor, CaptionComesFromTheMainWindowWhenShown) {
    TCond rule{"Y", "Y", "x", 1, 1};
    QString caption;
    edit(rule, [&](TfmFerme& d) {
        caption = d.windowTitle();
        cancel();
    });
    EXPECT_EQ(caption, "Vornel 2003.03 - le bloqueur de pubs");
}

TEST_F(Editor, NewRuleTypedTitleThenEnter) {
    // A new rule starts on "contains" and "equals" with 0 x 0, shown as 1 x 1.
    TCond rule{"Y", "Y", "", 0, 0};
    QString width, height;
    bool confirmed = edit(rule, [&](TfmFerme& d) {
        width = d.ui.seWidth->text();
        height = d.ui.seHeight->text();
        QTest::keyClicks(d.ui.eTitre, "Gagnez");
        QTest::keyClick(d.ui.eTitre, Qt::Key_Return);
    });
    EXPECT_EQ(width, "1");
    EXPECT_EQ(height, "1");
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(rule, (TCond{"Y", "Y", "Gagnez", 1, 1}));
}

TEST_F(Editor, EnabledStatesFollowTheChoices) {
    TCond rule{"Y", "Y", "", 0, 0};
    struct States {
        bool ok, title, width, height;
        bool operator==(const States&) const = default;
    };
    auto states = [&] {
        const auto& ui = dialog.ui;
        return States{ui.bOk->isEnabled(), ui.eTitre->isEnabled(), ui.seWidth->isEnabled(),
                      ui.seHeight->isEnabled()};
    };
    std::vector<States> seen;
    bool confirmed = edit(rule, [&](TfmFerme&) {
        seen.push_back(states()); // contains, empty text, size equals
        chooseTitle(2);
        chooseSize(2);
        seen.push_back(states()); // no condition at all
        chooseSize(1);
        seen.push_back(states()); // a size condition alone
        chooseSize(2);
        chooseTitle(1);
        seen.push_back(states()); // "equals" an empty text, no size
        QTest::mouseClick(dialog.ui.eTitre, Qt::LeftButton);
        QTest::keyClicks(dialog.ui.eTitre, "a");
        seen.push_back(states()); // one character makes it live
        QTest::keyClick(dialog.ui.eTitre, Qt::Key_Backspace);
        QTest::keyClick(dialog.ui.eTitre, Qt::Key_Return); // disabled: Enter does nothing
        QApplication::processEvents();
        seen.push_back(states());
        EXPECT_TRUE(dialog.isVisible());
        cancel();
    });
    EXPECT_FALSE(confirmed);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], (States{true, true, true, true}));
    EXPECT_EQ(seen[1], (States{false, false, false, false}));
    EXPECT_EQ(seen[2], (States{true, false, true, true}));
    EXPECT_EQ(seen[3], (States{false, true, false, false}));
    EXPECT_EQ(seen[4], (States{true, true, false, false}));
    EXPECT_EQ(seen[5], (States{false, true, false, false}));
}

TEST_F(Editor, EmptyContainedTextBesideASizeIsStored) {
    TCond rule{"Y", "Y", "", 0, 0};
    bool confirmed = edit(rule, [&](TfmFerme& d) {
        d.ui.seWidth->selectAll();
        QTest::keyClicks(d.ui.seWidth, "468");
        d.ui.seHeight->selectAll();
        QTest::keyClicks(d.ui.seHeight, "60");
        EXPECT_TRUE(d.ui.bOk->isEnabled());
        ok();
    });
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(rule, (TCond{"Y", "Y", "", 468, 60}));
}

TEST_F(Editor, ConditionsOffLoseTheirFieldsWhenConfirmed) {
    // No title condition: the stored text is not shown and is gone once confirmed.
    TCond noTitle{"N", "E", "kept until edited", 640, 480};
    bool titleShownEmptyAndOff = false;
    ASSERT_TRUE(edit(noTitle, [&](TfmFerme& d) {
        titleShownEmptyAndOff = d.ui.eTitre->text().isEmpty() && !d.ui.eTitre->isEnabled() &&
                                d.ui.cbTitre->currentIndex() == 2 &&
                                d.ui.cbDim->currentIndex() == 1;
        ok();
    }));
    EXPECT_TRUE(titleShownEmptyAndOff);
    EXPECT_EQ(noTitle, (TCond{"N", "E", "", 640, 480}));

    // No size condition: width and height show as 1, disabled, and come back as 1.
    TCond noSize{"E", "N", "Pub", 800, 600};
    QString shown;
    ASSERT_TRUE(edit(noSize, [&](TfmFerme& d) {
        shown = QString("%1x%2 %3")
                    .arg(d.ui.seWidth->text(), d.ui.seHeight->text(),
                         d.ui.seWidth->isEnabled() ? "on" : "off");
        ok();
    }));
    EXPECT_EQ(shown, "1x1 off");
    EXPECT_EQ(noSize, (TCond{"E", "N", "Pub", 1, 1}));
}

TEST_F(Editor, UnknownModeLettersOpenAsNoConditionAndSaveAsN) {
    for (const char* odd : {"y", "", "YE", "n"}) {
        TCond rule{odd, odd, "abc", 400, 300};
        int titleItem = -1, sizeItem = -1;
        // A size condition is switched on so that "&Ok" can be pressed.
        ASSERT_TRUE(edit(rule, [&](TfmFerme& d) {
            titleItem = d.ui.cbTitre->currentIndex();
            sizeItem = d.ui.cbDim->currentIndex();
            chooseSize(1);
            ok();
        })) << odd;
        EXPECT_EQ(titleItem, 2) << odd;
        EXPECT_EQ(sizeItem, 2) << odd;
        EXPECT_EQ(rule.TitreMode, "N") << odd;
        EXPECT_EQ(rule.DimMode, "E") << odd;
        EXPECT_EQ(rule.Titre, "") << odd;
    }
}

TEST_F(Editor, CancelLeavesTheRuleUntouched) {
    TCond rule{"E", "Y", "abc", 400, 300};
    const TCond before = rule;
    EXPECT_FALSE(edit(rule, [&](TfmFerme&) {
        chooseTitle(0);
        typeTitle("other");
        chooseSize(1);
        cancel();
    }));
    EXPECT_EQ(rule, before);
}

// The line under the conditions follows the typing, and says what the scan
// would make of the rule over the desktop's windows at that moment.
TEST_F(Editor, TellsWhatTheRuleWouldCloseNow) {
    struct SilentSound : vornel::AlertSound {
        void play(const std::string&) override {}
    } sound;
    vornel::ScriptedDesktop desktop;
    desktop.add("Super promo - Navigateur démo", {40, 40, 360, 1040});
    desktop.add("Promo éclair - Navigateur démo", {0, 0, 320, 1000});
    desktop.add("Super promo", {0, 0, 200, 100}); // not a browser window
    desktop.add("Les nouvelles - Navigateur démo", {0, 0, 800, 600});
    ScanWidgets controls(" - Navigateur démo");
    vornel::CloseRules noRules;
    vornel::ScanCycle scan(desktop, noRules, sound, controls.controls(),
                           [] { return vornel::WindowHandle(0); });
    dialog.windowsHeldBy = [&](const TCond& r) { return scan.windowsHeldBy(r); };

    auto setSize = [&](const char* width, const char* height) {
        dialog.ui.seWidth->selectAll();
        QTest::keyClicks(dialog.ui.seWidth, width);
        dialog.ui.seHeight->selectAll();
        QTest::keyClicks(dialog.ui.seHeight, height);
    };
    TCond rule{"Y", "Y", "", 0, 0};
    QStringList lines;
    edit(rule, [&](TfmFerme& d) {
        auto line = [&] { lines << d.ui.lFermerait->text(); };
        line();
        typeTitle("promo"); // the size left on 1 x 1
        line();
        chooseSize(2);
        line();
        chooseSize(0);
        setSize("320", "1000");
        line();
        typeTitle("super");
        line();
        chooseTitle(2);
        chooseSize(1);
        setSize("200", "100");
        line();
        cancel();
    });
    const QString none = "Aucune fenêtre ouverte ne correspond à cette règle.";
    EXPECT_EQ(lines, QStringList({
                         none,
                         none,
                         "Cette règle fermerait maintenant 2 fenêtres : « Super promo - Navigateur "
                         "démo », « Promo éclair - Navigateur démo ». Elle vaut aussi pour 1 "
                         "fenêtre qui n'est pas de navigateur et resterait ouverte : « Super "
                         "promo ».",
                         "Cette règle fermerait maintenant 2 fenêtres : « Super promo - Navigateur "
                         "démo », « Promo éclair - Navigateur démo »",
                         "Cette règle fermerait maintenant 1 fenêtre : « Super promo - Navigateur "
                         "démo »",
                         "Cette règle ne fermerait maintenant aucune fenêtre. Elle vaut pour 1 "
                         "fenêtre qui n'est pas de navigateur et resterait ouverte : « Super "
                         "promo ».",
                     }));
    EXPECT_TRUE(desktop.closeRequests().empty());
}

// Records whether a window was blocked by a modal one while it was shown.
class BlockWatch : public QObject {
public:
    explicit BlockWatch(QWidget& window) { window.installEventFilter(this); }
    bool blocked = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked) blocked = true;
        return false;
    }
};

// The tray icon is a window of its own: it must still take presses while a
// rule is edited, so that its menu can end the program.
TEST_F(Editor, BlocksTheMainWindowButNotTheProgramsOtherWindows) {
    QWidget trayIcon;
    mainWindow.show();
    trayIcon.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&trayIcon));
    BlockWatch main(mainWindow), tray(trayIcon);
    TCond rule{"Y", "N", "abc", 0, 0};
    edit(rule, [&](TfmFerme&) {
        EXPECT_TRUE(main.blocked);
        EXPECT_FALSE(tray.blocked);
        cancel();
    });
}

TEST_F(Editor, SizesAreBroughtIntoRange) {
    // Set by the program: clamped at once.
    TCond huge{"Y", "Y", "a", 12000, 0};
    QString shown;
    ASSERT_TRUE(edit(huge, [&](TfmFerme& d) {
        shown = d.ui.seWidth->text() + "x" + d.ui.seHeight->text();
        ok();
    }));
    EXPECT_EQ(shown, "9999x1");
    EXPECT_EQ(huge.Width, 9999);
    EXPECT_EQ(huge.Height, 1);

    // Typed: out-of-range numbers go to the nearest limit, and an emptied
    // field reads as 1, also when "&Ok" is reached without leaving the field.
    TCond typed{"Y", "Y", "a", 10, 10};
    ASSERT_TRUE(edit(typed, [&](TfmFerme& d) {
        d.ui.seWidth->selectAll();
        QTest::keyClicks(d.ui.seWidth, "123456");
        QTest::keyClick(d.ui.seHeight, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(d.ui.seHeight, Qt::Key_Delete);
        QTest::keyClick(d.ui.seHeight, Qt::Key_O, Qt::AltModifier);
    }));
    EXPECT_EQ(typed.Width, 9999);
    EXPECT_EQ(typed.Height, 1);
}

// Every opening puts the focus where the first one does, on the first field
// that can take it in tab order, whatever had it when the dialog last closed;
// and Enter is "&Ok" wherever the focus is.
TEST_F(Editor, EveryOpeningStartsOnTheFirstFieldAndEnterIsOk) {
    // Keys go where the user's typing goes: to the control with the focus.
    auto type = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
    auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    QWidget* focusAtOpening = nullptr;
    auto remember = [&] { focusAtOpening = QApplication::focusWidget(); };

    TCond rule{"Y", "Y", "", 0, 0};
    edit(rule, [&](TfmFerme&) {
        remember();
        cancel();
    });
    EXPECT_EQ(focusAtOpening, dialog.ui.eTitre);

    // "&Annuler" took the focus with the click; the next opening does not start there.
    TCond second{"Y", "Y", "", 0, 0};
    const bool confirmed = edit(second, [&](TfmFerme&) {
        remember();
        type("Gagnez");
        enter();
    });
    EXPECT_EQ(focusAtOpening, dialog.ui.eTitre);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(second.Titre, "Gagnez");

    // Without a title condition the first field that can take the focus is the width.
    TCond sizeOnly{"N", "Y", "", 300, 200};
    edit(sizeOnly, [&](TfmFerme&) {
        remember();
        cancel();
    });
    EXPECT_EQ(focusAtOpening, dialog.ui.seWidth);

    // With the focus on "&Annuler", or on any other field, Enter still confirms.
    for (QWidget* focused : QList<QWidget*>{dialog.ui.Button2, dialog.ui.cbTitre, dialog.ui.cbDim,
                                            dialog.ui.seHeight}) {
        TCond third{"Y", "Y", "casino", 0, 0};
        const bool confirmedFromThere = edit(third, [&](TfmFerme&) {
            focused->setFocus(Qt::TabFocusReason);
            enter();
        });
        EXPECT_TRUE(confirmedFromThere) << focused->objectName().toStdString();
        EXPECT_EQ(third.Titre, "casino");
    }
}
