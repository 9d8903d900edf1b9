#include "app/tfm_vornel.h"
#include "blocking/scripted_desktop.h"
#include "gui_helpers.h"
#include "support/qt_print.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

const QStringList PageTitles{"Bienvenue",
                             "Fenêtres actuellement ouvertes",
                             "Fenêtres fermées automatiquement",
                             "Liste des ports ouverts",
                             "Statistiques",
                             "Options",
                             "Mise à jour du programme"};

// Stands in for the desktop's web browser.
class Browser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened << url; }
};

class MainWindow : public ::testing::Test {
protected:
    // Names of the window's own controls with a page tag that are visible.
    QStringList visiblePageControls() const {
        QStringList names;
        for (QWidget* c : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->property("tag").toInt() >= 10 && c->isVisible()) names << c->objectName();
        return names;
    }
    QSet<int> visibleTags() const {
        QSet<int> tags;
        for (QWidget* c : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->property("tag").toInt() >= 10 && c->isVisible())
                tags.insert(c->property("tag").toInt());
        return tags;
    }
    // A key typed where the window system would deliver it: to the focused
    // control, else to the window; unused keys go on to the parents.
    void type(const QString& text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
    }
    void showActive() {
        window.show();
        window.activateWindow();
        window.activateWindow();
        QApplication::processEvents();
    }

    test::PrivateFolders folders;
    ScriptedDesktop desktop;
    test::QuietSound sound;
    TfmVornel window{desktop, sound};
};

} // namespace

TEST_F(MainWindow, EveryPageSwitchShowsExactlyThatPagesControls) {
    window.show();
    for (int page : {1, 4, 4, 7, 2, 3, 5, 6, 1, 6}) {
        window.BtnClick(Page(page));
        EXPECT_EQ(visibleTags(), QSet<int>{10 * page}) << "page " << page;
        EXPECT_EQ(window.currentPage(), Page(page));
        EXPECT_EQ(window.ui.lTitre->text(), PageTitles[page - 1]);
        for (QToolButton* side : {window.ui.sb1, window.ui.sb7})
            EXPECT_TRUE(side->isVisible());
        EXPECT_TRUE(window.ui.pTitre->isVisible());
    }
    window.BtnClick(Page::Statistics);
    EXPECT_TRUE(visiblePageControls().contains("lNbre"));
    EXPECT_FALSE(visiblePageControls().contains("lb1"));
}

TEST_F(MainWindow, PageControlsSitBesideTheButtonsAndUnderTheTitleStrip) {
    struct Place {
        const char* name;
        int page, left, top, width, height;
    };
    // Positions on their page, as designed.
    const Place places[] = {
        {"Label11", 1, 3, 0, 79, 13},
        {"Memo1", 1, 0, 24, 353, 289},
        {"Label16", 2, 0, 0, 353, 41},
        {"lb1", 2, 0, 72, 353, 217},
        {"sbFermer", 2, 0, 294, 353, 19},
        {"lb2", 3, 0, 72, 352, 193},
        {"sbSupp", 3, 256, 296, 97, 19},
        {"lbPorts", 4, 0, 72, 353, 241},
        {"SpeedButton1", 5, 224, 2, 129, 19},
        {"mLog", 5, 0, 72, 353, 241},
        {"eSon", 6, 0, 72, 241, 14},
        {"mFen", 6, 0, 120, 289, 73},
        {"SpeedButton10", 6, 248, 288, 101, 26},
        {"seMaj", 7, 96, 289, 41, 22},
        {"sbMaj", 7, 192, 288, 157, 26},
    };
    for (const Place& p : places) {
        auto* c = window.findChild<QWidget*>(p.name);
        ASSERT_NE(c, nullptr) << p.name;
        EXPECT_EQ(c->parentWidget(), &window) << p.name;
        EXPECT_EQ(c->pos(), QPoint(p.left + 84, p.top + 24)) << p.name;
        // Labels may grow to fit their text in this desktop's font.
        if (qobject_cast<QLabel*>(c))
            EXPECT_EQ(c->size().expandedTo(QSize(p.width, p.height)), c->size()) << p.name;
        else
            EXPECT_EQ(c->size(), QSize(p.width, p.height)) << p.name;
        EXPECT_EQ(c->property("tag").toInt(), 10 * p.page) << p.name;
    }
    // Every control of every page moved, none stayed on a sheet.
    for (int n = 1; n <= 7; ++n) {
        auto* sheet = window.ui.PC->findChild<QWidget*>(QStringLiteral("ts%1").arg(n));
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(sheet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) << n;
    }
    EXPECT_EQ(window.ui.pTitre->geometry(), QRect(84, 0, 363, 24));
    EXPECT_FALSE(window.ui.PC->isVisibleTo(&window));
    EXPECT_EQ(window.ui.sb4->property("tag").toInt(), 4);
    EXPECT_EQ(window.ui.pTitre->property("tag").toInt(), 0);
}

TEST_F(MainWindow, WindowIsSmallFixedOnTopAndCentredWhenFirstShown) {
    EXPECT_EQ(window.windowTitle(), "Vornel");
    EXPECT_EQ(window.minimumSize(), QSize(447, 348));
    EXPECT_EQ(window.maximumSize(), QSize(447, 348));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    window.show();
    const QPoint screenCentre = window.screen()->availableGeometry().center();
    EXPECT_LE((window.geometry().center() - screenCentre).manhattanLength(), 3);
    // Later showings keep the place the user gave it.
    window.hide();
    window.move(10, 20);
    window.show();
    EXPECT_EQ(window.pos(), QPoint(10, 20));
}

TEST_F(MainWindow, EveryShowingSetsTheCaptionAndOpensOnPageOne) {
    window.show();
    EXPECT_TRUE(window.windowTitle().startsWith("Vornel 2003.03"));
    EXPECT_GT(window.windowTitle().size(), QString("Vornel 2003.03").size());
    window.BtnClick(Page::Closed);
    window.close(); // only hides it
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(window.currentPage(), Page::Closed);
    window.show();
    EXPECT_EQ(window.currentPage(), Page::Welcome);
    EXPECT_EQ(visibleTags(), QSet<int>{10});
    window.ui.SpeedButton11->click();
    EXPECT_TRUE(window.isHidden());
}

TEST_F(MainWindow, FormKeyPressAnswersOnlyALowerCaseP) {
    const auto ok = test::answerBoxDuring([&] { window.FormKeyPress(u'p'); });
    EXPECT_EQ(ok.text, "ok");
    EXPECT_EQ(ok.caption, "Vornel");
    EXPECT_TRUE(test::answerBoxDuring([&] { window.FormKeyPress(u'P'); }).text.isEmpty());
    EXPECT_TRUE(test::answerBoxDuring([&] { window.FormKeyPress(u'q'); }).text.isEmpty());
}

TEST_F(MainWindow, PShowsOkOnlyWhenTheWindowItselfHasTheFocus) {
    showActive();
    window.BtnClick(Page::Statistics);
    if (QApplication::focusWidget()) QApplication::focusWidget()->clearFocus();
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(test::answerBoxDuring([&] { type("p"); }).text, "ok");
    // A flat button takes no focus: after a click the window still has it.
    // Its question answered, it leaves the focus where it was.
    test::answerBoxDuring([&] { window.ui.SpeedButton1->click(); });
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(test::answerBoxDuring([&] { type("p"); }).text, "ok");

    // The read-only log ignores the key, which reaches the window: no box.
    showActive();
    window.ui.mLog->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), window.ui.mLog);
    EXPECT_TRUE(test::answerBoxDuring([&] { type("p"); }).text.isEmpty());
    window.BtnClick(Page::Current);
    showActive();
    window.ui.lb1->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), window.ui.lb1);
    EXPECT_TRUE(test::answerBoxDuring([&] { type("p"); }).text.isEmpty());
}

TEST_F(MainWindow, TheSiteLabelOpensTheSiteInTheBrowser) {
    Browser browser;
    QDesktopServices::setUrlHandler("http", &browser, "open");
    window.show();
    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, window.ui.Label10->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, window.ui.Label10->mapToGlobal(inside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.ui.Label10, &press);
    QApplication::sendEvent(window.ui.Label10, &release);
    QDesktopServices::unsetUrlHandler("http");
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl("http://www.vornel.example.org/")});
}

TEST_F(MainWindow, WelcomeTextKeepsItsLineNumbers) {
    const QStringList lines = window.ui.Memo1->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 48);
    EXPECT_EQ(lines[0], "Ce logiciel vous permet de fermer les fenêtres de ");
    EXPECT_EQ(lines[6], "connexion douteuse.");
    EXPECT_TRUE(lines[7].contains("licence") || lines[8].contains("licence"));
    EXPECT_EQ(lines[12], "Son utilisation est très simple :");
    EXPECT_EQ(lines[16], "pub. Il vous suffit de la repérer dans l'onglet \"En ");
    EXPECT_EQ(lines[23], "condition-là !");
    EXPECT_EQ(lines[47], "À bientôt !");
}

#include "test_tfm_vornel.moc"

// An accelerator that two visible buttons share acts on the first of them
// after the focus in tab order, as in a Windows dialog; Qt alone would find
// it ambiguous and do nothing.
TEST_F(MainWindow, AnAcceleratorSharedByTwoButtonsActsOnTheEarlierInTabOrder) {
    showActive();
    auto altKey = [&](Qt::Key key) {
        QTest::keyClick(&window, key, Qt::AltModifier);
        QApplication::processEvents();
    };
    // One that no other button shares, for comparison.
    altKey(Qt::Key_O);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.currentPage() == Page::Options; }));

    // "&Mise à jour" and "&Modifier" on the rule page; with the focus on the
    // window itself, before both, the page button comes first.
    window.BtnClick(Page::Closed);
    window.ui.sbModifier->setEnabled(true);
    window.setFocus();
    int modified = 0;
    QObject::connect(window.ui.sbModifier, &QToolButton::clicked, [&] { ++modified; });
    altKey(Qt::Key_M);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.currentPage() == Page::Update; }));
    EXPECT_EQ(modified, 0);

    // "Por&ts" and "&Tout remettre à zéro" on the statistics page.
    window.BtnClick(Page::Statistics);
    window.ui.lNbre->setText("3");
    window.setFocus();
    altKey(Qt::Key_T);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.currentPage() == Page::Ports; }));
    EXPECT_EQ(window.ui.lNbre->text(), "3");

    // From the rule list, which stands between the page buttons and
    // "&Modifier" in tab order, the same key reaches "&Modifier" (its own
    // handler, which opens the editor, is left out here).
    window.BtnClick(Page::Closed);
    QObject::disconnect(window.ui.sbModifier, nullptr, &window, nullptr);
    window.ui.lb2->setFocus();
    altKey(Qt::Key_M);
    EXPECT_TRUE(QTest::qWaitFor([&] { return modified == 1; }));
    EXPECT_EQ(window.currentPage(), Page::Closed) << "the rule page stays";
}

// Over the text of the two read-only memos the mouse shows the arrow, not the
// text cursor: the text area is the memo's viewport, which has a cursor of its own.
TEST_F(MainWindow, TheReadOnlyMemosShowTheArrowOverTheirText) {
    window.show();
    window.BtnClick(Page::Statistics);
    window.ui.mLog->setPlainText("01/02/26 : Titre~\"pub\"");
    for (QPlainTextEdit* memo : {window.ui.Memo1, window.ui.mLog}) {
        QWidget* text = memo->viewport();
        QTest::mouseMove(text, QPoint(20, 5));
        EXPECT_EQ(text->cursor().shape(), Qt::ArrowCursor) << memo->objectName().toStdString();
        EXPECT_TRUE(memo->isReadOnly());
    }
}
