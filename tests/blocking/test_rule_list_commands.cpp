#include "blocking/list_rows.h"
#include "main_window_fixture.h"
#include "support/modal_answer.h"
#include "support/qt_print.h"

#include <QLabel>
#include <QMessageBox>
#include <QToolButton>

using vornel::TCond;
using vornel::WindowHandle;

namespace {

class RuleList : public MainWindow {
protected:
    RuleList() {
        fm.BtnClick(vornel::Page::Closed);
        vornel::setMemoLines(fm.ui.mFen, {" - Mozilla"});
    }

    // Rules as the settings load leaves them: the rule and its "ok" line.
    void given(std::initializer_list<TCond> rules) {
        for (const TCond& r : rules) {
            fm.CloseRules.append(r);
            fm.ui.lb2->addItem("ok");
        }
    }
    // The rules as the settings file holds them.
    QByteArray storedRules() const {
        const QByteArray all = contents(ini());
        const qsizetype at = all.indexOf("[Windows]");
        return at < 0 ? QByteArray("(none)") : all.mid(at).trimmed();
    }
    std::vector<TCond> rules() const {
        std::vector<TCond> out;
        for (int i = 1; i <= fm.CloseRules.count(); ++i)
            out.push_back(fm.CloseRules.rule(i));
        return out;
    }
    void expectListMatchesRules() {
        ASSERT_EQ(fm.ui.lb2->count(), fm.CloseRules.count());
        for (int i = 0; i < fm.ui.lb2->count(); ++i) {
            EXPECT_EQ(fm.ui.lb2->item(i)->text(), "ok");
            EXPECT_TRUE(sameImage(
                drawnRow(fm.ui.lb2, i),
                expectedRow(fm.ui.lb2, i,
                            QString::fromStdString(vornel::TexteCond(fm.CloseRules.rule(i + 1))),
                            fm.ui.lb2->item(i)->isSelected())))
                << "row " << i;
        }
    }

    // A candidate listed by a scan and chosen in the list.
    WindowHandle chooseCandidate(const std::string& title, vornel::WindowRect rect) {
        WindowHandle h = desktop.add(title, rect);
        fm.scan().Timer();
        fm.BtnClick(vornel::Page::Current);
        clickRow(fm.ui.lb1, fm.ui.lb1->count() - 1);
        return h;
    }

    struct Shown {
        int titleItem = -1, sizeItem = -1;
        QString title, width, height;
        bool operator==(const Shown&) const = default;
        friend void PrintTo(const Shown& s, std::ostream* os) {
            *os << s.titleItem << " \"" << s.title.toStdString() << "\" " << s.sizeItem << " "
                << s.width.toStdString() << "x" << s.height.toStdString();
        }
    };
    Shown shown() const {
        const auto& ui = editor.ui;
        return {ui.cbTitre->currentIndex(), ui.cbDim->currentIndex(), ui.eTitre->text(),
                ui.seWidth->text(), ui.seHeight->text()};
    }

    void ok() { click(editor.ui.bOk); }
    void cancel() { click(editor.ui.Button2); }
};

} // namespace

TEST_F(RuleList, NewConditionTypedTitleThenEnter) {
    ModalAnswer answer([&](QWidget* modal) {
        EXPECT_EQ(modal, &editor);
        EXPECT_EQ(shown(), (Shown{0, 0, "", "1", "1"}));
        QTest::keyClicks(editor.ui.eTitre, "Gagnez");
        QTest::keyClick(editor.ui.eTitre, Qt::Key_Return);
    });
    click(fm.ui.sbNew);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "Y", "Gagnez", 1, 1}}));
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,Gagnez,Y,1,1");
    expectListMatchesRules();
    EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb2, 0),
                          expectedRow(fm.ui.lb2, 0, "Titre~\"Gagnez\" et taille=\"1,1\"")));
}

TEST_F(RuleList, CancelledNewConditionStoresNothing) {
    ModalAnswer answer([&](QWidget*) {
        QTest::keyClicks(editor.ui.eTitre, "Gagnez");
        cancel();
    });
    click(fm.ui.sbNew);
    EXPECT_EQ(answer.answered(), 1);
    EXPECT_EQ(fm.CloseRules.count(), 0);
    EXPECT_EQ(fm.ui.lb2->count(), 0);
    EXPECT_EQ(contents(ini()), "(missing)");
}

TEST_F(RuleList, EachLineIsDrawnAsItsRulesTextForm) {
    given({{"Y", "N", "abc", 400, 300},
           {"E", "N", "abc", 400, 300},
           {"N", "Y", "abc", 400, 300},
           {"N", "E", "abc", 400, 300},
           {"Y", "E", "abc", 400, 300},
           {"E", "Y", "abc", 400, 300},
           {"N", "N", "abc", 400, 300},
           {"y", "", "abc", -4, 300}});
    const QStringList forms{"Titre~\"abc\" ",
                            "Titre=\"abc\" ",
                            "Taille=\"400,300\"",
                            "Taille<\"400,300\"",
                            "Titre~\"abc\" et taille<\"400,300\"",
                            "Titre=\"abc\" et taille=\"400,300\"",
                            "",
                            ""};
    for (int i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(fm.ui.lb2->visualItemRect(fm.ui.lb2->item(i)).height(), 13);
        EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb2, i), expectedRow(fm.ui.lb2, i, forms[i])))
            << forms[i].toStdString();
    }
    // The stored "ok" is never what is drawn.
    EXPECT_FALSE(sameImage(drawnRow(fm.ui.lb2, 6), expectedRow(fm.ui.lb2, 6, "ok")));
}

TEST_F(RuleList, ModifyAndDeleteFollowTheSelection) {
    given({{"Y", "N", "un", 1, 1}, {"Y", "N", "deux", 1, 1}});
    EXPECT_FALSE(fm.ui.sbModifier->isEnabled());
    EXPECT_FALSE(fm.ui.sbSupp->isEnabled());
    clickRow(fm.ui.lb2, 1);
    EXPECT_TRUE(fm.ui.sbModifier->isEnabled());
    EXPECT_TRUE(fm.ui.sbSupp->isEnabled());
    QTest::mouseClick(fm.ui.lb2->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      fm.ui.lb2->visualItemRect(fm.ui.lb2->item(1)).center());
    EXPECT_FALSE(fm.ui.sbModifier->isEnabled());
    EXPECT_FALSE(fm.ui.sbSupp->isEnabled());
}

TEST_F(RuleList, ModifyEditsTheSelectedRuleInPlace) {
    given({{"Y", "N", "un", 1, 1}, {"E", "E", "deux", 640, 480}, {"Y", "N", "trois", 1, 1}});
    clickRow(fm.ui.lb2, 1);
    ModalAnswer answer([&](QWidget*) {
        EXPECT_EQ(shown(), (Shown{1, 1, "deux", "640", "480"}));
        editor.ui.cbDim->setCurrentIndex(0);
        QTest::mouseClick(editor.ui.eTitre, Qt::LeftButton);
        QTest::keyClicks(editor.ui.eTitre, "!");
        ok();
    });
    click(fm.ui.sbModifier);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "N", "un", 1, 1},
                                           {"E", "Y", "deux!", 640, 480},
                                           {"Y", "N", "trois", 1, 1}}));
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,un,N,1,1\n2=E,deux!,Y,640,480\n3=Y,trois,N,1,1");
    expectListMatchesRules();
}

TEST_F(RuleList, ModifyThenCancelLeavesTheRule) {
    given({{"Y", "N", "un", 1, 1}});
    clickRow(fm.ui.lb2, 0);
    ModalAnswer answer([&](QWidget*) {
        editor.ui.cbTitre->setCurrentIndex(2);
        editor.ui.cbDim->setCurrentIndex(1);
        cancel();
    });
    ASSERT_EQ(contents(ini()), "(missing)");
    click(fm.ui.sbModifier);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "N", "un", 1, 1}}));
    // Written all the same.
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,un,N,1,1");
}

TEST_F(RuleList, DoubleClickOnARuleModifiesIt) {
    given({{"Y", "N", "un", 1, 1}, {"N", "E", "", 468, 60}});
    ModalAnswer answer([&](QWidget*) {
        EXPECT_EQ(shown(), (Shown{2, 1, "", "468", "60"}));
        cancel();
    });
    doubleClickRow(fm.ui.lb2, 1);
    EXPECT_EQ(answer.answered(), 1);
}

TEST_F(RuleList, DeleteTheFirstOfThree) {
    given({{"Y", "N", "un", 1, 1}, {"Y", "N", "deux", 1, 1}, {"Y", "N", "trois", 1, 1}});
    clickRow(fm.ui.lb2, 0);
    click(fm.ui.sbSupp);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "N", "deux", 1, 1}, {"Y", "N", "trois", 1, 1}}));
    EXPECT_EQ(fm.CloseRules.count(), 2);
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,deux,N,1,1\n2=Y,trois,N,1,1");
    expectListMatchesRules();
    EXPECT_FALSE(fm.ui.sbSupp->isEnabled());
    EXPECT_EQ(vornel::selectedRow(fm.ui.lb2), -1);
    // "&Modifier" keeps its state but has nothing to work on.
    EXPECT_TRUE(fm.ui.sbModifier->isEnabled());
    ModalAnswer none([&](QWidget* modal) { modal->close(); });
    click(fm.ui.sbModifier);
    EXPECT_EQ(none.answered(), 0);
}

TEST_F(RuleList, DoubleClickOnEmptyListsDoesNothing) {
    ModalAnswer none([&](QWidget* modal) { modal->close(); });
    fm.BtnClick(vornel::Page::Current);
    QTest::mouseDClick(fm.ui.lb1->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    fm.BtnClick(vornel::Page::Closed);
    QTest::mouseDClick(fm.ui.lb2->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    QApplication::processEvents();
    EXPECT_EQ(none.answered(), 0);
    EXPECT_EQ(fm.CloseRules.count(), 0);
}

TEST_F(RuleList, RuleFromACandidateWindow) {
    chooseCandidate("  Pub d'été  - Mozilla", {100, 50, 900, 650});
    ModalAnswer answer([&](QWidget*) {
        EXPECT_EQ(shown(), (Shown{0, 0, "Pub d'été", "800", "600"}));
        ok();
    });
    click(fm.ui.sbFermer);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "Y", "Pub d'été", 800, 600}}));
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,Pub d'été,Y,800,600");
    EXPECT_EQ(fm.ui.lb2->count(), 1);

    // The new rule holds from the next tick on.
    fm.scan().Timer();
    EXPECT_EQ(fm.ui.lb1->count(), 0);
    EXPECT_EQ(fm.ui.lTotal->text(), "1");
}

TEST_F(RuleList, WindowWiderThanTheFieldsAllowIsStoredAt9999) {
    chooseCandidate("Large - Mozilla", {0, 0, 12000, 700});
    ModalAnswer answer([&](QWidget*) {
        EXPECT_EQ(shown(), (Shown{0, 0, "Large", "9999", "700"}));
        ok();
    });
    doubleClickRow(fm.ui.lb1, 0);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "Y", "Large", 9999, 700}}));
    EXPECT_EQ(storedRules(), "[Windows]\n1=Y,Large,Y,9999,700");
}

// Its handle may already be another window's: the user is told, and no
// editor opens on whatever holds it now.
TEST_F(RuleList, CandidateThatClosedSinceItWasListed) {
    WindowHandle h = chooseCandidate("Partie - Mozilla", {0, 0, 300, 200});
    desktop.remove(h);
    QString told;
    ModalAnswer answer([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box) told = box->text();
        modal->close();
    });
    click(fm.ui.sbFermer);
    EXPECT_EQ(answer.answered(), 1);
    EXPECT_EQ(told, "Cette fenêtre s'est fermée entre-temps : choisissez-en une autre dans la "
                    "liste.");
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(fm.CloseRules.count(), 0);
}

TEST_F(RuleList, ASecondRequestWhileTheEditorIsOpenOnlyBringsItForward) {
    chooseCandidate("Pub - Mozilla", {0, 0, 300, 200});
    fm.BtnClick(vornel::Page::Closed);
    int editorsSeenBySecondRequest = 0;
    ModalAnswer answer([&](QWidget*) {
        QTest::keyClicks(editor.ui.eTitre, "tape");
        // The tray menu's window item, while the editor is open.
        ModalAnswer second([&](QWidget* modal) {
            ++editorsSeenBySecondRequest;
            modal->close();
        });
        fm.sbFermerClick();
        fm.sbNewClick();
        QApplication::processEvents();
        EXPECT_EQ(second.answered(), 0);
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(shown(), (Shown{0, 0, "tape", "1", "1"}));
        ok();
    });
    click(fm.ui.sbNew);
    ASSERT_EQ(answer.answered(), 1);
    EXPECT_EQ(editorsSeenBySecondRequest, 0);
    EXPECT_EQ(rules(), (std::vector<TCond>{{"Y", "Y", "tape", 1, 1}}));
    EXPECT_EQ(fm.ui.lb2->count(), 1);
}

TEST_F(RuleList, NoRuleIsStoredPastTheLimit) {
    for (int i = 0; i < vornel::CloseRules::MaxRules; ++i)
        given({{"Y", "N", "r", 1, 1}});
    chooseCandidate("Pub - Mozilla", {0, 0, 300, 200});

    for (QToolButton* command : {fm.ui.sbNew, fm.ui.sbFermer}) {
        QString told;
        ModalAnswer answer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                ADD_FAILURE() << "the editor opened";
                modal->close();
                return;
            }
            told = box->text();
            box->accept();
        });
        if (command == fm.ui.sbNew) fm.BtnClick(vornel::Page::Closed);
        click(command);
        EXPECT_EQ(answer.answered(), 1);
        EXPECT_EQ(told, "La liste des conditions est pleine : 5000 conditions au plus.");
        EXPECT_EQ(fm.CloseRules.count(), 5000);
        EXPECT_EQ(fm.ui.lb2->count(), 5000);
        EXPECT_EQ(contents(ini()), "(missing)");
        fm.BtnClick(vornel::Page::Current);
    }
}
