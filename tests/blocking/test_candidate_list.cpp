#include "blocking/candidate_list.h"
#include "blocking/list_rows.h"
#include "main_window_fixture.h"
#include "support/qt_print.h"

#include <QToolButton>

using namespace vornel;

namespace {

std::string shortOf(ScriptedDesktop& desktop, WindowHandle h,
                    const std::vector<std::string>& names) {
    return shortTitle(desktop, std::to_string(h), names);
}

} // namespace

TEST(ShortTitle, CutBeforeTheFirstNameOfTheListThatOccurs) {
    ScriptedDesktop desktop;
    const std::vector<std::string> ie{" - Microsoft Internet Explorer"};
    EXPECT_EQ(shortOf(desktop, desktop.add("Gagnez un voyage ! - Microsoft Internet Explorer"), ie),
              "Gagnez un voyage !");
    EXPECT_EQ(shortOf(desktop, desktop.add("Pub - Microsoft Internet Explorer"), ie), "Pub");

    // Lines are tried in list order, not by where they occur in the title.
    WindowHandle ab = desktop.add("a - b - Netscape");
    EXPECT_EQ(shortOf(desktop, ab, {" - Netscape", " - "}), "a - b");
    EXPECT_EQ(shortOf(desktop, ab, {" - ", " - Netscape"}), "a");

    // Blanks and control characters go from both ends; empty lines match nothing.
    EXPECT_EQ(shortOf(desktop, desktop.add("\t  Pub\x01 - Mozilla"), {"", " - Mozilla"}), "Pub");
    // The program's own name plays no part here.
    EXPECT_EQ(shortOf(desktop, desktop.add("Vornel 2003.03 - Mozilla"), {" - Mozilla"}),
              "Vornel 2003.03");
    // No name occurs: the whole title, untrimmed.
    EXPECT_EQ(shortOf(desktop, desktop.add("  Terminal  "), {" - Mozilla"}), "  Terminal  ");
}

TEST(ShortTitle, TitleIsReadCutTo254Bytes) {
    ScriptedDesktop desktop;
    const std::string head = "  " + std::string(250, 'x');
    // The name at byte 252 is cut off: the row shows the cut title untrimmed.
    WindowHandle far = desktop.add(head + " - Mozilla");
    EXPECT_EQ(shortOf(desktop, far, {" - Mozilla"}), (head + " -").substr(0, 254));
    // Within the first 254 bytes it is found.
    WindowHandle near = desktop.add("  Pub - Mozilla" + std::string(290, 'y'));
    EXPECT_EQ(shortOf(desktop, near, {" - Mozilla"}), "Pub");
}

TEST(ShortTitle, RowsThatNameNoWindowShowNothing) {
    ScriptedDesktop desktop;
    WindowHandle gone = desktop.add("Pub - Mozilla");
    desktop.remove(gone);
    EXPECT_EQ(shortOf(desktop, gone, {" - Mozilla"}), "");
    EXPECT_EQ(shortTitle(desktop, "abc", {" - Mozilla"}), "");
    EXPECT_EQ(shortTitle(desktop, "0", {" - Mozilla"}), "");

    // A handle with the top bit set is listed above 2147483647 and still found.
    desktop.add("Haut - Mozilla");
    desktop.windows().back().handle = 0x80000001u;
    EXPECT_EQ(shortTitle(desktop, "2147483649", {" - Mozilla"}), "Haut");
}

TEST(DefaultBrowserNames, InternetExplorerSuffixFirst) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(defaultBrowserNames(" - Microsoft Internet"),
              (Names{" - Microsoft Internet", " - Netscape", " - Mozilla"}));
    EXPECT_EQ(defaultBrowserNames(""),
              (Names{" - Microsoft Internet Explorer", " - Netscape", " - Mozilla"}));
}

TEST_F(MainWindow, DefaultButtonRestoresTheBrowserNames) {
    // No Internet Explorer title value on this system: it reads as missing.
    EXPECT_EQ(fm.TitreIE, " - Microsoft Internet");
    fm.BtnClick(Page::Options);
    setMemoLines(fm.ui.mFen, {"Mon navigateur", "", "autre"});
    click(fm.ui.sbFenDefaut);
    EXPECT_EQ(memoLines(fm.ui.mFen),
              QStringList({" - Microsoft Internet", " - Netscape", " - Mozilla"}));
    // Saved at once.
    const QByteArray stored = contents(ini());
    EXPECT_TRUE(stored.contains("Fenetre2= - Netscape")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("Fenetre3= - Mozilla")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("Fenetre4")) << stored.toStdString();

    fm.TitreIE.clear();
    fm.FenetresDefaut();
    EXPECT_EQ(memoLines(fm.ui.mFen).value(0), " - Microsoft Internet Explorer");
}

TEST_F(MainWindow, CandidateRowsShowTheShortTitleAsItReadsNow) {
    fm.BtnClick(Page::Current);
    setMemoLines(fm.ui.mFen, {" - Mozilla"});
    WindowHandle pub = desktop.add("Pub du jour - Mozilla");
    desktop.add("Les nouvelles - Mozilla");
    fm.scan().Timer();
    ASSERT_EQ(fm.ui.lb1->count(), 2);
    EXPECT_EQ(fm.ui.lb1->item(0)->text(), QString::number(pub));
    EXPECT_EQ(fm.ui.lb1->visualItemRect(fm.ui.lb1->item(0)).height(), 14);
    EXPECT_EQ(fm.ui.lb1->visualItemRect(fm.ui.lb1->item(1)).top(), 14);

    EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb1, 0), expectedRow(fm.ui.lb1, 0, "Pub du jour")));
    EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb1, 1), expectedRow(fm.ui.lb1, 1, "Les nouvelles")));
    // Black rows, lime text.
    EXPECT_EQ(fm.ui.lb1->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(fm.ui.lb1->palette().color(QPalette::Text), QColor(0, 255, 0));

    // A title change shows at the next drawing, before any rebuild.
    desktop.find(pub)->title = "Autre pub - Mozilla";
    EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb1, 0), expectedRow(fm.ui.lb1, 0, "Autre pub")));
    desktop.remove(pub);
    EXPECT_TRUE(sameImage(drawnRow(fm.ui.lb1, 0), expectedRow(fm.ui.lb1, 0, "")));
}

TEST_F(MainWindow, CloseButtonFollowsTheUsersChoiceInTheCandidateList) {
    fm.BtnClick(Page::Current);
    setMemoLines(fm.ui.mFen, {" - Mozilla"});
    desktop.add("Une - Mozilla");
    WindowHandle second = desktop.add("Deux - Mozilla");
    fm.scan().Timer();
    EXPECT_FALSE(fm.ui.sbFermer->isEnabled());

    clickRow(fm.ui.lb1, 1);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());

    // A click in the port list looks only at the candidate list.
    fm.BtnClick(Page::Ports);
    fm.ui.lbPorts->addItem("80 http");
    clickRow(fm.ui.lbPorts, 0);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());

    // The selected window goes: the rebuild leaves the button as it was.
    fm.BtnClick(Page::Current);
    desktop.remove(second);
    fm.scan().Timer();
    EXPECT_EQ(fm.ui.lb1->count(), 1);
    EXPECT_EQ(selectedRow(fm.ui.lb1), -1);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());
    // Until the next choice in the list.
    clickRow(fm.ui.lb1, 0);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());
    QTest::mouseClick(fm.ui.lb1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      fm.ui.lb1->visualItemRect(fm.ui.lb1->item(0)).center());
    EXPECT_EQ(selectedRow(fm.ui.lb1), -1);
    EXPECT_FALSE(fm.ui.sbFermer->isEnabled());
}

// What the list shows selected and what "&Fermer automatiquement cette fenêtre
// de pub" says agree: the keyboard's place in the list (the row a list gets
// as current when it takes the focus) is no selection, and a rebuild keeps
// only a row that was selected.
TEST_F(MainWindow, ARebuildSelectsOnlyARowThatWasSelected) {
    // The colour a row is drawn in, read at its right end, past the text and
    // inside the frame: the selection colour when it shows as selected.
    auto rowBackground = [](QListWidget* list, int row) {
        const QImage drawn = drawnRow(list, row);
        return drawn.pixelColor(drawn.width() - 2, drawn.height() / 2);
    };
    fm.BtnClick(Page::Current);
    setMemoLines(fm.ui.mFen, {" - Mozilla"});
    desktop.add("Une - Mozilla");
    desktop.add("Deux - Mozilla");
    fm.scan().Timer();
    fm.activateWindow();
    fm.activateWindow();

    // Away to another page and back: the list may take the focus on the way.
    fm.ui.lb1->setFocus(Qt::TabFocusReason);
    fm.BtnClick(Page::Closed);
    fm.BtnClick(Page::Current);
    fm.ui.lb1->setFocus(Qt::TabFocusReason);
    fm.scan().Timer();
    EXPECT_EQ(selectedRow(fm.ui.lb1), -1);
    EXPECT_FALSE(fm.ui.sbFermer->isEnabled());
    EXPECT_EQ(rowBackground(fm.ui.lb1, 0), fm.ui.lb1->palette().color(QPalette::Base));

    // The user's choice is kept by position, and the button agrees.
    clickRow(fm.ui.lb1, 1);
    fm.scan().Timer();
    EXPECT_EQ(selectedRow(fm.ui.lb1), 1);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());
    EXPECT_EQ(rowBackground(fm.ui.lb1, 1), fm.ui.lb1->palette().color(QPalette::Highlight));
}

// A click on a row runs lb1Click even when the row was selected already.
TEST_F(MainWindow, AClickOnTheSelectedRowStillEnablesTheButton) {
    fm.BtnClick(Page::Current);
    setMemoLines(fm.ui.mFen, {" - Mozilla"});
    desktop.add("Une - Mozilla");
    fm.scan().Timer();
    {
        // Selected from code, quietly, as the scan restores a selection.
        const QSignalBlocker quiet(fm.ui.lb1);
        fm.ui.lb1->setCurrentRow(0);
    }
    ASSERT_FALSE(fm.ui.sbFermer->isEnabled());
    clickRow(fm.ui.lb1, 0);
    EXPECT_EQ(selectedRow(fm.ui.lb1), 0);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());

    // Choosing with the keyboard is a choice too.
    fm.ui.lb1->setFocus();
    {
        const QSignalBlocker quiet(fm.ui.lb1);
        fm.ui.lb1->clearSelection();
    }
    fm.ui.sbFermer->setEnabled(false);
    QTest::keyClick(fm.ui.lb1, Qt::Key_Space);
    EXPECT_EQ(selectedRow(fm.ui.lb1), 0);
    EXPECT_TRUE(fm.ui.sbFermer->isEnabled());
}
