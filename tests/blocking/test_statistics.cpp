#include "main_window_fixture.h"
#include "settings/save_pacer.h"
#include "support/modal_answer.h"
#include "support/qt_print.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

using vornel::TCond;

namespace {

class Statistics : public MainWindow {
protected:
    Statistics() {
        vornel::setMemoLines(fm.ui.mFen, {" - Mozilla"});
        fm.BtnClick(vornel::Page::Statistics);
    }

    // One pop-up that a rule closes at the given time of day.
    void closingAt(const std::string& title, QTime time) {
        desktop.add(title + " - Mozilla");
        fm.scan().now = [time] { return QDateTime(QDate(2026, 3, 14), time); };
        fm.scan().Timer();
    }

    // Clicks "&Tout remettre à zéro" and answers its question with the
    // button captioned answer; returns the question and its buttons.
    QString resetAnswering(const QString& answer) {
        QString seen;
        ModalAnswer reply([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                modal->close();
                return;
            }
            QStringList buttons;
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            buttons.sort();
            seen = box->windowTitle() + ": " + box->text() + " " + buttons.join(' ');
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer) button->click();
        });
        QTest::mouseClick(fm.ui.SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(reply.answered(), 1);
        return seen;
    }
};

} // namespace

TEST_F(Statistics, ThreeClosingsAfterAStoredTotalOfTen) {
    QFile stored(ini());
    ASSERT_TRUE(stored.open(QIODevice::WriteOnly));
    stored.write("[Vornel]\nTotal=10\nFenetre1= - Mozilla\n");
    stored.close();
    fm.Initialise();
    ASSERT_EQ(fm.ui.lTotal->text(), "10");
    fm.BtnClick(vornel::Page::Statistics);
    fm.CloseRules.append(TCond{"Y", "N", "casino", 1, 1});
    fm.CloseRules.append(TCond{"Y", "N", "loto", 1, 1});
    fm.CloseRules.append(TCond{"N", "E", "", 500, 500});
    closingAt("Casino royal", QTime(9, 0, 1));
    closingAt("Super loto", QTime(9, 0, 2));
    closingAt("Petite", QTime(0, 0, 0));

    EXPECT_EQ(fm.ui.lNbre->text(), "3");
    EXPECT_EQ(fm.ui.lTotal->text(), "13");
    // The whole count shows, not just its first digit.
    for (QLabel* counter : {fm.ui.lNbre, fm.ui.lTotal})
        EXPECT_GE(counter->width(), counter->sizeHint().width()) << counter->text().toStdString();
    EXPECT_EQ(vornel::memoLines(fm.ui.mLog),
              QStringList({"03/14/26 : Taille<\"500,500\"", "03/14/26 09:00:02 : Titre~\"loto\" ",
                           "03/14/26 09:00:01 : Titre~\"casino\" "}));
}

TEST_F(Statistics, ResetClearsBothCountersAndTheLog) {
    fm.ui.lTotal->setText("abc");
    fm.CloseRules.append(TCond{"Y", "N", "casino", 1, 1});
    closingAt("Casino", QTime(9, 0, 1));
    closingAt("Casino", QTime(9, 0, 2));
    EXPECT_EQ(fm.ui.lNbre->text(), "2");
    EXPECT_EQ(fm.ui.lTotal->text(), "2");

    // The closings reach the files within seconds, without a command.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !fm.closingsSave().pending() && contents(ini()).contains("Total=2"); },
        10000));
    const QByteArray savedIni = contents(ini()), savedLog = contents(log());

    // "&Non" changes nothing.
    const QStringList logBefore = vornel::memoLines(fm.ui.mLog);
    EXPECT_EQ(resetAnswering("&Non"), "Vornel: Effacer le total et tout le journal ? &Non &Oui");
    EXPECT_EQ(fm.ui.lNbre->text(), "2");
    EXPECT_EQ(fm.ui.lTotal->text(), "2");
    EXPECT_EQ(vornel::memoLines(fm.ui.mLog), logBefore);
    ASSERT_EQ(logBefore.size(), 2);

    resetAnswering("&Oui");
    EXPECT_EQ(fm.ui.lNbre->text(), "0");
    EXPECT_EQ(fm.ui.lTotal->text(), "0");
    EXPECT_TRUE(fm.ui.mLog->toPlainText().isEmpty());
    // Nothing is saved by the reset itself.
    EXPECT_EQ(contents(ini()), savedIni);
    EXPECT_EQ(contents(log()), savedLog);

    // Counting starts again from there.
    closingAt("Casino", QTime(9, 0, 3));
    EXPECT_EQ(fm.ui.lTotal->text(), "1");
    EXPECT_EQ(vornel::memoLines(fm.ui.mLog).size(), 1);
}
