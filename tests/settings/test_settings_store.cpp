// The load and the save through the real main window, over real files in a
// temporary folder.
#include "common/date_text.h"
#include "settings/settings_store.h"
#include "settings_folder.h"
#include "support/french_locale.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <random>

using namespace vornel;
using vornel::testing::fileText;
using vornel::testing::putFile;
using Settings = vornel::testing::SettingsFolder;

namespace {

TCond rule(std::string mode, std::string title, std::string dim, int w, int h) {
    return TCond{std::move(mode), std::move(dim), std::move(title), w, h};
}

std::vector<TCond> rulesOf(const TfmVornel& w) {
    std::vector<TCond> out;
    for (int k = 1; k <= w.CloseRules.count(); ++k)
        out.push_back(w.CloseRules.rule(k));
    return out;
}

std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

QString daysAgoText(int days) {
    return QString::fromStdString(dateText(QDate::currentDate().addDays(-days)));
}

} // namespace

TEST_F(Settings, FirstStartTakesEveryDefaultAndWritesNothing) {
    auto w = start();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->ui.cbDemarre->isChecked());
    EXPECT_TRUE(w->ui.cbAfficher->isChecked());
    EXPECT_EQ(w->ui.lTotal->text(), "0");
    EXPECT_EQ(w->ui.eSon->text(), QCoreApplication::applicationDirPath() + "/Vornel.wav");
    EXPECT_EQ(memoLines(w->ui.mFen), QStringList{" - Microsoft Internet"});
    EXPECT_TRUE(w->ui.cbMaj->isChecked());
    EXPECT_EQ(w->ui.seMaj->value(), 15);
    EXPECT_FALSE(w->ui.cbReduite->isChecked());
    EXPECT_EQ(w->lastUpdate, QDate::currentDate());
    EXPECT_EQ(w->ui.lMaj->text(), "Dernière mise à jour il y a 0 jour.");
    EXPECT_NE(w->currentPage(), Page::Update);
    EXPECT_EQ(w->CloseRules.count(), 0);
    EXPECT_EQ(w->ui.lb2->count(), 0);
    EXPECT_EQ(memoLineCount(w->ui.mLog), 0);
    ASSERT_EQ(w->NomsPorts.size(), 65536u);
    EXPECT_TRUE(std::all_of(w->NomsPorts.begin(), w->NomsPorts.end(),
                            [](const std::string& n) { return n.empty(); }));
    EXPECT_FALSE(w->loading);
    EXPECT_FALSE(QFileInfo::exists(ini()));
    EXPECT_FALSE(QFileInfo::exists(log()));
    EXPECT_FALSE(QFileInfo::exists(autostartEntry()));
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, SaveWritesEveryKeyInItsOrderAndTheLoadGivesItBack) {
    QDate last = QDate::currentDate().addDays(-3);
    {
        auto w = start();
        w->ui.cbDemarre->setChecked(false);
        w->ui.cbAfficher->setChecked(false);
        w->ui.lTotal->setText("42");
        w->ui.eSon->setText("/sons/alerte.wav");
        setMemoLines(w->ui.mFen, {" - Netscape", "Mozilla"});
        w->ui.cbMaj->setChecked(false);
        w->ui.seMaj->setValue(30);
        w->lastUpdate = last;
        w->ui.cbReduite->setChecked(true);
        w->CloseRules.append(rule("Y", "casino", "N", 1, 1));
        w->CloseRules.append(rule("E", "Gagnez, vite, un voyage !", "Y", 800, 600));
        w->CloseRules.append(rule("N", "", "E", -5, 2147483647));
        setMemoLines(w->ui.mLog, {"ligne 2", "ligne 1"});
        w->SauveListe();
    }
    EXPECT_EQ(fileText(ini()),
              crlf({"[Vornel]", "Demarre=0", "Afficher=0", "Total=42", "Version=Vornel 2003.03",
                    "Son=/sons/alerte.wav", "Fenetre1= - Netscape", "Fenetre2=Mozilla", "Maj=0",
                    "MajJour=30", "MajLast=" + lastUpdateText(last), "FenetreReduite=1",
                    "[Windows]", "1=Y,casino,N,1,1", "2=E,Gagnez, vite, un voyage !,Y,800,600",
                    "3=N,,E,-5,2147483647"}));
    EXPECT_EQ(fileText(log()), "ligne 2\r\nligne 1\r\n");

    auto w = start();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->ui.cbDemarre->isChecked());
    EXPECT_FALSE(w->ui.cbAfficher->isChecked());
    EXPECT_EQ(w->ui.lTotal->text(), "42");
    EXPECT_EQ(w->ui.eSon->text(), "/sons/alerte.wav");
    // A stored value loses its surrounding blanks.
    EXPECT_EQ(memoLines(w->ui.mFen), (QStringList{"- Netscape", "Mozilla"}));
    EXPECT_FALSE(w->ui.cbMaj->isChecked());
    EXPECT_EQ(w->ui.seMaj->value(), 30);
    EXPECT_EQ(w->lastUpdate, last);
    EXPECT_EQ(w->ui.lMaj->text(), "Dernière mise à jour il y a 3 jours.");
    EXPECT_TRUE(w->ui.cbReduite->isChecked());
    EXPECT_EQ(rulesOf(*w),
              (std::vector<TCond>{rule("Y", "casino", "N", 1, 1),
                                  rule("E", "Gagnez, vite, un voyage !", "Y", 800, 600),
                                  rule("N", "", "E", -5, 2147483647)}));
    ASSERT_EQ(w->ui.lb2->count(), 3);
    EXPECT_EQ(w->ui.lb2->item(2)->text(), "ok");
    EXPECT_EQ(memoLines(w->ui.mLog), (QStringList{"ligne 2", "ligne 1"}));
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, BrowserNameListEndsAtTheFirstMissingEntry) {
    auto w = start();
    setMemoLines(w->ui.mFen, {"a", "b", "c", "d", "e"});
    w->SauveListe();
    setMemoLines(w->ui.mFen, {"a", "b", "c"});
    w->SauveListe();
    EXPECT_EQ(memoLines(start()->ui.mFen), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(fileText(ini()).find("Fenetre4"), std::string::npos) << fileText(ini());

    // A blank line between two names is a line of the list: it and the names
    // after it survive two starts, each saving what it loaded.
    setMemoLines(w->ui.mFen, {"a", "", "c"});
    w->SauveListe();
    start()->SauveListe();
    EXPECT_EQ(memoLines(start()->ui.mFen), (QStringList{"a", "", "c"}));

    // No line at all: Fenetre1 is stored empty, which is not the default.
    setMemoLines(w->ui.mFen, {});
    w->SauveListe();
    EXPECT_EQ(memoLines(start()->ui.mFen), QStringList());
    EXPECT_EQ(fileText(ini()).find("Fenetre2"), std::string::npos) << fileText(ini());
}

TEST_F(Settings, HandEditedValuesFollowTheReadingRules) {
    putFile(ini(), "[vornel]\n"
                   "  demarre = 0x0  \n"
                   "Afficher=\"0\"\n"
                   "Total = \"  abc  \"\n"
                   "Son = ' /a b.wav '\n"
                   "FENETRE1=  \" - Netscape\"  \n"
                   "Fenetre2=x\n"
                   "Fenetre3=\n"
                   "Fenetre4=  y\n"
                   "Fenetre6=never read\n"
                   "Maj=junk\n"
                   "MajLast=not a date\n"
                   "FenetreReduite=$1\n"
                   "[WINDOWS]\n"
                   "1 = Y,casino,N,$10,0x20 \n"
                   "2=E,x,Y,junk,\n"
                   "3=Y\n");
    auto w = start();
    EXPECT_FALSE(w->ui.cbDemarre->isChecked());
    EXPECT_FALSE(w->ui.cbAfficher->isChecked());
    EXPECT_EQ(w->ui.lTotal->text(), "  abc  ");
    EXPECT_EQ(w->ui.eSon->text(), " /a b.wav ");
    EXPECT_EQ(memoLines(w->ui.mFen), (QStringList{" - Netscape", "x", "", "y"}));
    EXPECT_TRUE(w->ui.cbMaj->isChecked());
    EXPECT_EQ(w->ui.seMaj->value(), 15);
    EXPECT_EQ(w->lastUpdate, QDate::currentDate());
    EXPECT_TRUE(w->ui.cbReduite->isChecked());
    EXPECT_EQ(rulesOf(*w),
              (std::vector<TCond>{rule("Y", "casino", "N", 16, 32), rule("E", "x", "Y", 0, 0),
                                  rule("Y", "", "", 0, 0)}));
    EXPECT_FALSE(w->loading);

    const std::vector<std::pair<std::string, int>> days{
        {"0", 1}, {"500", 90}, {"abc", 15}, {" 0x1E", 30}};
    for (const auto& [stored, loaded] : days) {
        putFile(ini(), std::string("[Vornel]\r\nMajJour=") + stored + "\r\n");
        EXPECT_EQ(start()->ui.seMaj->value(), loaded) << stored;
    }
}

namespace {

std::vector<std::string> settingsWarnings;

void keepSettingsWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && QByteArrayView(context.category) == "vornel.settings")
        settingsWarnings.push_back(text.toStdString());
}

} // namespace

// Every line of the user's file that the load passes over is a warning with
// the file and the line's number; a file that holds none says nothing.
TEST_F(Settings, EachLineTheLoadCannotUseIsAWarningWithItsFileAndNumber) {
    const QtMessageHandler before = qInstallMessageHandler(keepSettingsWarning);
    putFile(ini(),
            "[Vornel]\r\nTotal=3\r\nun mot\r\n[Windows]\r\n1=Y,pub,N,0,0\r\nx=Y,a,N,0,0\r\n");
    start();
    const std::string file = QDir::toNativeSeparators(ini()).toStdString();
    EXPECT_EQ(settingsWarnings,
              (std::vector<std::string>{
                  file + ", ligne 3 : ce n'est ni un titre de section ni une ligne clé=valeur",
                  file + ", ligne 6 : « x » n'est pas un numéro de règle (1, 2, 3…)"}));
    settingsWarnings.clear();
    putFile(ini(), "[Vornel]\r\nTotal=3\r\n[Windows]\r\n1=Y,pub,N,0,0\r\n");
    start();
    EXPECT_TRUE(settingsWarnings.empty());
    qInstallMessageHandler(before);
}

TEST_F(Settings, RulesStopAtTheFirstGapAndAtFiveThousand) {
    putFile(ini(), "[Windows]\r\n1=Y,a,N,0,0\r\n2=Y,b,N,0,0\r\n4=Y,d,N,0,0\r\n");
    auto w = start();
    EXPECT_EQ(w->CloseRules.count(), 2);
    w->SauveListe();
    EXPECT_EQ(fileText(ini()).find("4=Y,d"), std::string::npos);
    EXPECT_NE(fileText(ini()).find("[Windows]\r\n1=Y,a,N,0,0\r\n2=Y,b,N,0,0\r\n"),
              std::string::npos);

    std::string many = "[Windows]\r\n";
    for (int k = 1; k <= 6000; ++k)
        many += std::to_string(k) + "=Y,t" + std::to_string(k) + ",N,0,0\r\n";
    putFile(ini(), many);
    w = start();
    EXPECT_EQ(w->CloseRules.count(), 5000);
    EXPECT_EQ(w->ui.lb2->count(), 5000);
    EXPECT_EQ(w->CloseRules.rule(5000).Titre, "t5000");
    w->SauveListe();
    std::string saved = fileText(ini());
    EXPECT_NE(saved.find("\r\n5000=Y,t5000,N,0,0\r\n"), std::string::npos);
    EXPECT_EQ(saved.find("\r\n5001="), std::string::npos);
}

TEST_F(Settings, LongValuesAreCutAtLoadNeverInsideACharacter) {
    std::string total(2046, '7');
    putFile(ini(), "[Vornel]\r\nTotal=" + total + "é\r\n[Windows]\r\n1=Y," +
                       std::string(3000, 'a') + ",N,1,1\r\n");
    auto w = start();
    EXPECT_EQ(w->ui.lTotal->text().toStdString(), total);
    // The fields after the cut go with it.
    EXPECT_EQ(rulesOf(*w), std::vector<TCond>{rule("Y", std::string(2045, 'a'), "", 0, 0)});
}

TEST_F(Settings, PortNamesComeFromTheirWholeNumberKeys) {
    putFile(ini(), "[Ports]\n80=Serveur web\n70000=x\n-1=x\nweb=x\n25=mail=smtp\n;22=ssh\n"
                   "  8080  =  proxy  \n443=" +
                       std::string(300, 'n') + "\n21=" + std::string(254, 'f') +
                       "é\n0x17=hex\n"
                       "no equals sign\n80=Serveur web 2\n");
    auto w = start();
    ASSERT_EQ(w->NomsPorts.size(), 65536u);
    EXPECT_EQ(w->NomsPorts[80], "Serveur web 2");
    EXPECT_EQ(w->NomsPorts[25], "mail=smtp");
    EXPECT_EQ(w->NomsPorts[8080], "proxy");
    EXPECT_EQ(w->NomsPorts[443], std::string(255, 'n'));
    EXPECT_EQ(w->NomsPorts[21], std::string(254, 'f'));
    EXPECT_EQ(w->NomsPorts[23], "hex");
    EXPECT_EQ(w->NomsPorts[22], "");
    int named = int(std::count_if(w->NomsPorts.begin(), w->NomsPorts.end(),
                                  [](const std::string& n) { return !n.empty(); }));
    EXPECT_EQ(named, 6);
    // The section is only read.
    w->SauveListe();
    EXPECT_NE(fileText(ini()).find("70000=x\r\n-1=x\r\nweb=x\r\n"), std::string::npos);
}

TEST_F(Settings, TheLogKeepsItsTwoHundredNewestLines) {
    std::string text;
    for (int i = 1; i <= 350; ++i)
        text += "ligne " + std::to_string(i) + "\n";
    putFile(log(), text);
    auto w = start();
    QStringList lines = memoLines(w->ui.mLog);
    ASSERT_EQ(lines.size(), 200);
    EXPECT_EQ(lines.front(), "ligne 1");
    EXPECT_EQ(lines.back(), "ligne 200");
    EXPECT_EQ(fileText(log()), text);

    // The save keeps the 200 newest, as the log on screen does.
    insertFirstLine(w->ui.mLog, "nouvelle");
    w->SauveListe();
    std::string saved = fileText(log());
    EXPECT_TRUE(saved.starts_with("nouvelle\r\nligne 1\r\nligne 2\r\n"));
    EXPECT_TRUE(saved.ends_with("\r\nligne 199\r\n"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 200);

    setMemoLines(w->ui.mLog, {});
    w->SauveListe();
    EXPECT_EQ(fileText(log()), "");
}

// One user on two displays: two residents over one folder. Each save reads
// what the other wrote: the closings of both count, the log holds the lines
// of both, and what one changed is not undone by the other's next save.
TEST_F(Settings, TwoResidentsOverOneFolderLoseNothing) {
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\nTotal=5\r\nFenetre1=Mozilla\r\n"
                   "[Windows]\r\n1=Y,Pub,N,0,0\r\n");
    auto first = start();
    auto second = start();
    desktop.add("Pub un - Mozilla");
    first->scan().Timer();
    desktop.add("Pub deux - Mozilla");
    second->scan().Timer();
    ASSERT_EQ(desktop.closeRequests().size(), 2u);

    first->CloseRules.append(rule("Y", "Casino", "N", 0, 0));
    first->SauveListe();
    second->ui.cbReduite->setChecked(true);
    second->SauveListe();
    first->SauveListe();
    // Both quit, each saving on its way out.
    first.reset();
    second.reset();

    const std::string saved = fileText(ini());
    EXPECT_NE(saved.find("\r\nTotal=7\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nFenetreReduite=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Windows]\r\n1=Y,Pub,N,0,0\r\n2=Y,Casino,N,0,0\r\n"), std::string::npos)
        << saved;
    const std::string lines = fileText(log());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), 'P'), 2) << lines;
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, AnUnreadableLogLeavesTheLogEmptyAndTheStartGoesOn) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("vornel.log"));
    putFile(ini(), "[Windows]\r\n1=Y,a,N,0,0\r\n");
    auto w = start();
    EXPECT_EQ(memoLineCount(w->ui.mLog), 0);
    EXPECT_EQ(w->CloseRules.count(), 1);
    EXPECT_FALSE(w->loading);
    EXPECT_EQ(w->ui.lMaj->text(), "Dernière mise à jour il y a 0 jour.");
}

TEST_F(Settings, BinaryJunkLoadsAsDefaultsAndWhatLoadedSavesBack) {
    std::mt19937 random(4);
    for (int round = 0; round < 20; ++round) {
        std::string junk(4096, '\0');
        for (char& c : junk)
            c = char(random());
        // Some structure, so that junk lands in real sections too.
        if (round % 2) junk = "[Windows]\n1=" + junk.substr(0, 2000) + "\n[Ports]\n" + junk;
        putFile(log(), junk);
        // A settings file with a NUL holds no text and is never written over.
        std::replace(junk.begin(), junk.end(), '\0', '\1');
        putFile(ini(), junk);
        auto w = start();
        EXPECT_FALSE(w->loading);
        EXPECT_LE(memoLineCount(w->ui.mLog), 200);
        std::vector<TCond> loaded = rulesOf(*w);
        w->SauveListe();
        EXPECT_EQ(rulesOf(*start()), loaded) << "round " << round;
    }
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, TitlesWithCommasOrLineBreaksLoadBackExactly) {
    std::vector<TCond> rules{
        rule("Y", "casino", "N", 1, 1),
        rule("Y", "Pub, promo, gratuit", "N", 0, 0),
        rule("E", ",,,,", "Y", 10, 20),
        rule("Y", "ligne 1\nligne 2\r\n", "E", 3, 4),
        rule("Y", "C:\\new\\readme $'x' it's", "N", 0, 0),
        rule("Y", "$'quoted'", "N", 0, 0),
        rule("Y", "C:\\temp\\new", "N", 0, 0),
    };
    {
        auto w = start();
        for (const auto& r : rules)
            w->CloseRules.append(r);
        setMemoLines(w->ui.mFen, {" - Netscape"});
        w->SauveListe();
    }
    std::string saved = fileText(ini());
    std::string windows = saved.substr(saved.find("[Windows]"));
    EXPECT_EQ(windows, crlf({"[Windows]", "1=Y,casino,N,1,1", "2=Y,Pub, promo, gratuit,N,0,0",
                             "3=E,,,,,,Y,10,20", "4=$'Y,ligne 1\\nligne 2\\r\\n,E,3,4'",
                             "5=$'Y,C:\\\\new\\\\readme $\\'x\\' it\\'s,N,0,0'",
                             "6=$'Y,$\\'quoted\\',N,0,0'", "7=Y,C:\\temp\\new,N,0,0"}));
    EXPECT_EQ(rulesOf(*start()), rules);
}

TEST_F(Settings, UnknownKeysAndSectionsAreKeptWhereTheyAre) {
    putFile(ini(), "; réglages\n"
                   "[Autre]\n"
                   "clé=valeur\n"
                   "\n"
                   "[Vornel]\n"
                   "Inconnue = garde\n"
                   "Total=5\n"
                   "\n"
                   "[Windows]\n"
                   "1=Y,a,N,0,0\n"
                   "; commentaire\n"
                   "[Fin]\n"
                   "x=y\n");
    auto w = start();
    w->SauveListe();
    EXPECT_EQ(fileText(ini()),
              crlf({"; réglages",
                    "[Autre]",
                    "clé=valeur",
                    "",
                    "[Vornel]",
                    "Inconnue = garde",
                    "Total=5",
                    "Demarre=1",
                    "Afficher=1",
                    "Version=Vornel 2003.03",
                    "Son=" + (QCoreApplication::applicationDirPath() + "/Vornel.wav").toStdString(),
                    "Fenetre1= - Microsoft Internet",
                    "Maj=1",
                    "MajJour=15",
                    "MajLast=" + lastUpdateText(QDate::currentDate()),
                    "FenetreReduite=0",
                    "",
                    "[Fin]",
                    "x=y",
                    "[Windows]",
                    "1=Y,a,N,0,0"}));
}

TEST_F(Settings, TheUpdateReminderComesAfterTheGivenDays) {
    struct Case {
        int daysAgo;
        const char* maj;
        bool reminded;
    };
    // A day after today reads as no date at all (see MajLastOutsideItsYears).
    for (Case c : {Case{16, "1", true}, Case{15, "1", false}, Case{400, "0", false}}) {
        putFile(ini(), "[Vornel]\r\nAfficher=0\r\nMaj=" + std::string(c.maj) +
                           "\r\nMajJour=15\r\nMajLast=" + daysAgoText(c.daysAgo).toStdString() +
                           "\r\n[Windows]\r\n1=Y,a,N,0,0\r\n");
        auto w = start();
        EXPECT_EQ(w->isVisible(), c.reminded) << c.daysAgo;
        EXPECT_EQ(w->currentPage() == Page::Update, c.reminded) << c.daysAgo;
        EXPECT_EQ(w->ui.lMaj->text(),
                  QString("Dernière mise à jour il y a %1 jours.").arg(std::abs(c.daysAgo)));
        // The reminder changes nothing stored.
        EXPECT_EQ(w->lastUpdate, QDate::currentDate().addDays(-c.daysAgo));
    }
}

TEST_F(Settings, AnEarlierInstanceClosedShowsTheWindow) {
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\n");
    EXPECT_FALSE(start()->isVisible());
    earlierInstanceClosed = true;
    auto w = start();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->ui.cbAfficher->isChecked());
}

TEST(LastUpdateFrom, PlaceholderAndJunkGiveToday) {
    QDate today(2026, 12, 8);
    EXPECT_EQ(lastUpdateFrom("07/04/2002", today), today);
    EXPECT_EQ(lastUpdateFrom("", today), today);
    EXPECT_EQ(lastUpdateFrom("31/31/31", today), today);
    EXPECT_EQ(lastUpdateFrom(dateText(QDate(2026, 11, 1)), today), QDate(2026, 11, 1));
    EXPECT_EQ(updateAgeText(QDate(2026, 11, 28), today), "Dernière mise à jour il y a 10 jours.");
    EXPECT_EQ(updateAgeText(QDate(2026, 12, 7), today), "Dernière mise à jour il y a 1 jour.");
}

namespace {

// Runs once the file dialog is open.
void whenDialogOpens(std::function<void(QFileDialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* od = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(od, nullptr);
        answer(od);
    });
}

} // namespace

TEST_F(Settings, ChoosingASoundSavesItAndTheDialogRemembersIt) {
    QString wav = dir.filePath("ding.wav");
    putFile(wav, "RIFF");
    auto w = start();
    w->ui.eSon->setText(dir.filePath("typed.wav"));

    QStringList firstSelection;
    whenDialogOpens([&](QFileDialog* od) {
        EXPECT_EQ(od->nameFilters(), QStringList{"*.wav"});
        firstSelection = od->selectedFiles();
        od->selectFile(wav);
        QMetaObject::invokeMethod(od, "accept");
    });
    w->ui.SpeedButton3->click();
    EXPECT_EQ(w->ui.eSon->text(), wav);
    EXPECT_NE(fileText(ini()).find("\r\nSon=" + wav.toStdString() + "\r\n"), std::string::npos);
    // The dialog is not primed from the edit.
    EXPECT_FALSE(firstSelection.contains(dir.filePath("typed.wav")));

    w->ui.eSon->setText("/typed/again.wav");
    QStringList secondSelection;
    whenDialogOpens([&](QFileDialog* od) {
        secondSelection = od->selectedFiles();
        od->reject();
    });
    w->ui.SpeedButton3->click();
    EXPECT_EQ(secondSelection, QStringList{wav});
    EXPECT_EQ(w->ui.eSon->text(), "/typed/again.wav");
    EXPECT_EQ(fileText(ini()).find("again"), std::string::npos);

    w->ui.SpeedButton9->click();
    EXPECT_EQ(w->ui.eSon->text(), "");
    EXPECT_NE(fileText(ini()).find("\r\nSon=\r\n"), std::string::npos);
    EXPECT_EQ(start()->ui.eSon->text(), "");
}

TEST_F(Settings, FilesFromOtherEditorsLoadWhole) {
    // Windows Notepad: a byte-order mark; an old Mac editor: CR alone.
    putFile(ini(), "\xEF\xBB\xBF[Vornel]\rTotal=12\rFenetre1=Firefox\rFenetre2=\r"
                   "Afficher=0\r\n[Windows]\n1=Y,casino,N,1,1\r2=E,promo,Y,800,600");
    putFile(log(), "\xEF\xBB\xBFun\rdeux\r\ntrois\nquatre");
    {
        auto w = start();
        EXPECT_EQ(w->ui.lTotal->text(), "12");
        EXPECT_FALSE(w->ui.cbAfficher->isChecked());
        EXPECT_EQ(memoLines(w->ui.mFen), QStringList{"Firefox"});
        EXPECT_EQ(rulesOf(*w), (std::vector<TCond>{rule("Y", "casino", "N", 1, 1),
                                                   rule("E", "promo", "Y", 800, 600)}));
        EXPECT_EQ(memoLines(w->ui.mLog), (QStringList{"un", "deux", "trois", "quatre"}));
        w->SauveListe();
    }
    // Written back with CR LF, no mark, and one [Vornel] section.
    const std::string saved = fileText(ini());
    EXPECT_TRUE(saved.starts_with("[Vornel]\r\n")) << saved;
    EXPECT_EQ(saved.find("[Vornel]", 1), std::string::npos) << saved;
    EXPECT_EQ(saved.find("\r\nTotal=12\r\n") + 2, saved.rfind("Total="));
    EXPECT_EQ(fileText(log()), "un\r\ndeux\r\ntrois\r\nquatre\r\n");
    EXPECT_EQ(start()->ui.lTotal->text(), "12");

    // A long log of CR-only lines still gives its 200 newest.
    std::string lines;
    for (int i = 0; i < 350; ++i)
        lines += "ligne " + std::to_string(i) + "\r";
    putFile(log(), lines);
    auto w = start();
    ASSERT_EQ(memoLineCount(w->ui.mLog), 200);
    EXPECT_EQ(memoLines(w->ui.mLog).last(), "ligne 199");
}

namespace {

// The text as Notepad saves it as "Unicode", with its byte-order mark.
std::string utf16(const std::string& text, bool littleEndian) {
    std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (QChar c : QString::fromStdString(text)) {
        const char low = char(c.unicode() & 0xFF), high = char(c.unicode() >> 8);
        out += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return out;
}

} // namespace

TEST_F(Settings, UnicodeFilesFromNotepadKeepTheirRules) {
    const std::string text =
        crlf({"[Vornel]", "Demarre=0", "Total=12", "[Windows]",
              "1=Y,Télé \xF0\x9F\x8E\xB0 casino,N,1,1", "2=E,promo,Y,800,600"});
    const std::vector<TCond> rules{rule("Y", "Télé \xF0\x9F\x8E\xB0 casino", "N", 1, 1),
                                   rule("E", "promo", "Y", 800, 600)};
    for (bool littleEndian : {true, false}) {
        putFile(ini(), utf16(text, littleEndian));
        {
            auto w = start();
            EXPECT_FALSE(w->ui.cbDemarre->isChecked());
            EXPECT_EQ(w->ui.lTotal->text(), "12");
            EXPECT_EQ(rulesOf(*w), rules);
            w->SauveListe();
        }
        // Written back as UTF-8, which loads the same.
        const std::string saved = fileText(ini());
        EXPECT_TRUE(saved.starts_with("[Vornel]\r\nDemarre=0\r\n")) << saved;
        EXPECT_NE(saved.find("\r\n1=Y,Télé \xF0\x9F\x8E\xB0 casino,N,1,1\r\n"), std::string::npos);
        EXPECT_EQ(rulesOf(*start()), rules);
    }
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

// A file of the older Windows program: its accents are Windows-1252 bytes.
// The rules read as written, and the save writes the file back as UTF-8; in
// the log, the older lines keep their accents under the new UTF-8 ones.
TEST_F(Settings, FilesOfTheOlderProgramReadInItsCodePage) {
    putFile(ini(), "[Vornel]\r\nFenetre1= - Mozilla\r\nFenetre2=Pr\xE9\x66\xE9r\xE9\r\n"
                   "[Windows]\r\n1=Y,F\xE9licitations,N,1,1\r\n");
    putFile(log(), "07/12/26 14:30:05 : Titre~\"F\xE9licitations\" \r\n");
    {
        auto w = start();
        EXPECT_EQ(rulesOf(*w), std::vector<TCond>{rule("Y", "Félicitations", "N", 1, 1)});
        EXPECT_EQ(memoLines(w->ui.mFen), (QStringList{"- Mozilla", "Préféré"}));
        insertFirstLine(w->ui.mLog, "08/12/26 09:00:00 : Titre~\"Félicitations\" ");
        w->SauveListe();
    }
    const std::string saved = fileText(ini());
    EXPECT_NE(saved.find("\r\n1=Y,Félicitations,N,1,1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\r\nFenetre2=Préféré\r\n"), std::string::npos) << saved;
    EXPECT_EQ(fileText(log()), "08/12/26 09:00:00 : Titre~\"Félicitations\" \r\n"
                               "07/12/26 14:30:05 : Titre~\"Félicitations\" \r\n");
    EXPECT_EQ(memoLines(start()->ui.mLog).size(), 2);
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

// The newest lines come first. Only what that many lines of the longest
// length fill is read: a line longer than that, or junk without a line break
// (what a crash can leave), is left out, and the next save keeps the rest.
TEST_F(Settings, TheLogLeavesOutLinesTooLongAndJunkWithoutLineBreaks) {
    const std::string junk(4 << 20, '\0');
    const std::string longest(SettingsStore::MaxLogLineBytes, 'y');
    putFile(log(), crlf({"récente", longest + "x", longest, "ancienne"}) + junk);
    {
        auto w = start();
        EXPECT_EQ(memoLines(w->ui.mLog),
                  (QStringList{"récente", QString::fromStdString(longest), "ancienne"}));
        insertFirstLine(w->ui.mLog, "nouvelle");
        w->SauveListe();
    }
    EXPECT_EQ(fileText(log()), crlf({"nouvelle", "récente", longest, "ancienne"}));

    putFile(log(), junk);
    {
        auto w = start();
        EXPECT_EQ(memoLineCount(w->ui.mLog), 0);
        insertFirstLine(w->ui.mLog, "nouvelle");
        w->SauveListe();
    }
    EXPECT_EQ(fileText(log()), "nouvelle\r\n");

    // A full log of the longest lines is read whole.
    std::string full;
    for (int i = 0; i < SettingsStore::MaxLogLines; ++i)
        full += longest + "\r\n";
    putFile(log(), "\xEF\xBB\xBF" + full + "plus ancienne\r\n" + junk);
    auto w = start();
    EXPECT_EQ(memoLines(w->ui.mLog),
              QStringList(SettingsStore::MaxLogLines, QString::fromStdString(longest)));
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, ARuleTooLongToStoreLoadsBackValidAndStaysSo) {
    // A title made from a real window: commas, a line break, accents.
    std::string title = "Offre, exclusive !\n";
    while (title.size() < 3000)
        title += "gagnez été ";
    {
        auto w = start();
        w->CloseRules.append(rule("Y", title, "E", 640, 480));
        w->CloseRules.append(rule("N", "", "Y", 1, 1));
        w->SauveListe();
    }
    auto w = start();
    ASSERT_EQ(w->CloseRules.count(), 2);
    const TCond loaded = w->CloseRules.rule(1);
    EXPECT_EQ(loaded.TitreMode, "Y");
    EXPECT_EQ(loaded.DimMode, "E");
    EXPECT_EQ(loaded.Width, 640);
    EXPECT_EQ(loaded.Height, 480);
    EXPECT_GT(loaded.Titre.size(), 2000u);
    EXPECT_TRUE(title.starts_with(loaded.Titre));
    EXPECT_TRUE(QString::fromUtf8(loaded.Titre).toUtf8().toStdString() == loaded.Titre);
    EXPECT_EQ(w->CloseRules.rule(2), rule("N", "", "Y", 1, 1));

    // Saved again and again, the rules stay the same.
    auto rulesStored = [this] {
        std::string text = fileText(ini());
        return text.substr(text.find("[Windows]"));
    };
    const std::string once = rulesStored();
    for (int i = 0; i < 3; ++i) {
        start()->SauveListe();
        EXPECT_TRUE(rulesStored() == once) << "save " << i << " changed the rules";
    }
    EXPECT_EQ(start()->CloseRules.rule(1), loaded);
}

TEST_F(Settings, MajLastOutsideItsYearsCountsAsNoDate) {
    const QDate today = QDate::currentDate();
    EXPECT_EQ(lastUpdateFrom(dateText(today.addDays(1)), today), today);
    EXPECT_EQ(lastUpdateFrom(dateText(today.addDays(16)), today), today);
    EXPECT_EQ(lastUpdateFrom("12/31/99", today), today);
    EXPECT_EQ(lastUpdateFrom("01/01/00", today), QDate(2000, 1, 1));
    EXPECT_EQ(lastUpdateFrom(dateText(today), today), today);

    // A day after today: no reminder, and the date stays as written until a
    // check replaces it.
    const std::string later = dateText(today.addDays(16));
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\nMajLast=" + later + "\r\n");
    auto w = start();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->lastUpdate, today);
    EXPECT_EQ(w->ui.lMaj->text(), "Dernière mise à jour il y a 0 jour.");
    w->SauveListe();
    EXPECT_NE(fileText(ini()).find("\r\nMajLast=" + later + "\r\n"), std::string::npos);
    w->lastUpdate = today.addDays(-1); // what a check does, a day late
    w->SauveListe();
    EXPECT_NE(fileText(ini()).find("\r\nMajLast=" + lastUpdateText(today.addDays(-1)) + "\r\n"),
              std::string::npos);
}

TEST_F(Settings, MajLastIsStoredWithItsCenturyAndReadInEitherForm) {
    const QDate today = QDate::currentDate(), day = today.addDays(-20);
    EXPECT_EQ(lastUpdateText(QDate(2026, 3, 7)), "2026-03-07");
    EXPECT_EQ(readLastUpdate("2026-03-07"), QDate(2026, 3, 7));
    EXPECT_EQ(readLastUpdate(dateText(day)), day);
    EXPECT_EQ(readLastUpdate("07/04/2002"), std::nullopt);
    EXPECT_EQ(readLastUpdate("2026-02-30"), std::nullopt);
    EXPECT_EQ(lastUpdateFrom(lastUpdateText(day), today), day);
}

TEST_F(Settings, MajLastUnderAFrenchDesktop) {
    const QDate today = QDate::currentDate();
    const std::string writtenUnderC = dateText(today.addDays(-20)); // month first, "12/08/26"
    const std::string cPlaceholder = "07/04/2002";
    test::FrenchDates french;
    ASSERT_EQ(french.failure(), "");
    ASSERT_EQ(dateText(QDate(2026, 12, 8)), "08/12/2026") << "not the French short date";

    // The placeholder reads as a real day here, and still means "never".
    EXPECT_EQ(lastUpdateFrom(cPlaceholder, today), today);
    EXPECT_EQ(lastUpdateFrom("01/11/2026", QDate(2026, 12, 8)), QDate(2026, 11, 1));
    EXPECT_EQ(lastUpdateFrom("31/12/1999", today), today);
    EXPECT_EQ(lastUpdateFrom("01/01/2000", today), QDate(2000, 1, 1));
    EXPECT_EQ(lastUpdateFrom("31/31/2026", today), today);

    // A date the C locale wrote: read day first it is in the year 20-something,
    // which must not bring the update page at every start.
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\nMajLast=" + writtenUnderC + "\r\n");
    {
        auto w = start();
        EXPECT_FALSE(w->isVisible());
        EXPECT_NE(w->currentPage(), Page::Update);
        EXPECT_EQ(w->lastUpdate, today);
        w->SauveListe();
    }
    // From then on the date is read back as written, and so is a French one.
    EXPECT_NE(fileText(ini()).find("\r\nMajLast=" + lastUpdateText(today) + "\r\n"),
              std::string::npos);
    putFile(ini(), "[Vornel]\r\nAfficher=0\r\nMajLast=" + dateText(today.addDays(-20)) + "\r\n");
    auto w = start();
    EXPECT_EQ(w->lastUpdate, today.addDays(-20));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentPage(), Page::Update);
}

// The machine's settings file, in $XDG_CONFIG_DIRS: read, applied, and never
// written into the user's file.
TEST_F(Settings, TheAdministratorsRulesComeFirstAndStayOutOfTheUsersFile) {
    putSystemIni(crlf({"[Windows]", "1=Y,casino,N,1,1", "2=E,Loto,N,1,1"}));
    putFile(ini(), crlf({"[Windows]", "1=Y,casino,N,1,1", "2=Y,poker,N,1,1"}));
    auto w = start();
    EXPECT_EQ(w->CloseRules.administratorCount(), 2);
    EXPECT_EQ(rulesOf(*w),
              (std::vector<TCond>{rule("Y", "casino", "N", 1, 1), rule("E", "Loto", "N", 1, 1),
                                  rule("Y", "casino", "N", 1, 1), rule("Y", "poker", "N", 1, 1)}));
    ASSERT_EQ(w->ui.lb2->count(), 4);
    EXPECT_EQ(w->ruleRowText(0), "Titre~\"casino\" (administrateur)");
    EXPECT_EQ(w->ruleRowText(2), "Titre~\"casino\" ");
    // Both hold for this title: the administrator's rule is the one logged.
    EXPECT_EQ(w->CloseRules.firstMatch("casino poker", 10, 10), 1);

    // The editor's buttons stay off on an administrator's rule and say why;
    // a deletion asked all the same changes nothing.
    w->ui.lb2->setCurrentRow(1);
    EXPECT_FALSE(w->ui.sbModifier->isEnabled());
    EXPECT_FALSE(w->ui.sbSupp->isEnabled());
    EXPECT_EQ(w->ui.sbSupp->toolTip(),
              "Règle de l'administrateur : elle ne peut être ni modifiée ni supprimée.");
    w->sbSuppClick();
    EXPECT_EQ(w->CloseRules.count(), 4);
    EXPECT_EQ(w->ui.lb2->count(), 4);
    w->ui.lb2->setCurrentRow(3);
    EXPECT_TRUE(w->ui.sbSupp->isEnabled());
    EXPECT_EQ(w->ui.sbSupp->toolTip(), "");
    w->sbSuppClick();
    w->CloseRules.append(rule("Y", "bingo", "N", 1, 1));
    w->ui.lb2->addItem("ok");
    w->SauveListe();
    const std::string saved = fileText(ini());
    EXPECT_NE(saved.find("[Windows]\r\n1=Y,casino,N,1,1\r\n2=Y,bingo,N,1,1\r\n"), std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("Loto"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("3="), std::string::npos) << saved;
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, TheSystemsOptionsFillWhatTheUsersFileLacksUntilTheUserChangesThem) {
    putSystemIni(crlf({"[Vornel]", "Fenetre1=Firefox", "Fenetre2=Chromium", "MajJour=30",
                       "Afficher=0", "[Ports]", "80=Web de la salle", "443=Web sûr"}));
    putFile(ini(), crlf({"[Vornel]", "MajJour=7", "[Ports]", "443=Le mien"}));
    {
        auto w = start();
        EXPECT_EQ(memoLines(w->ui.mFen), (QStringList{"Firefox", "Chromium"}));
        EXPECT_EQ(w->ui.seMaj->value(), 7);
        EXPECT_FALSE(w->ui.cbAfficher->isChecked());
        EXPECT_TRUE(w->ui.cbAfficher->isEnabled());
        EXPECT_EQ(w->NomsPorts[80], "Web de la salle");
        EXPECT_EQ(w->NomsPorts[443], "Le mien");
        w->SauveListe();
        const std::string saved = fileText(ini());
        EXPECT_EQ(saved.find("Fenetre1"), std::string::npos) << saved;
        EXPECT_EQ(saved.find("Afficher"), std::string::npos) << saved;
        EXPECT_EQ(saved.find("Web de la salle"), std::string::npos) << saved;
        EXPECT_NE(saved.find("MajJour=7"), std::string::npos) << saved;

        // What the user changes is the user's from then on.
        setMemoLines(w->ui.mFen, {"Firefox"});
        w->ui.cbAfficher->setChecked(true);
        w->SauveListe();
    }
    const std::string saved = fileText(ini());
    EXPECT_NE(saved.find("Afficher=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Fenetre1=Firefox\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Fenetre2"), std::string::npos) << saved;
    auto w = start();
    EXPECT_EQ(memoLines(w->ui.mFen), QStringList{"Firefox"});
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, ImposedOptionsOverrideTheUsersAndLockTheirControls) {
    putSystemIni(crlf({"[Impose]", "Demarre=1", "Son=/sons/salle.wav", "Fenetre1=Firefox"}));
    putFile(ini(), crlf({"[Vornel]", "Demarre=0", "Son=/sons/moi.wav", "Fenetre1=Opera",
                         "Fenetre2=Vivaldi", "Fenetre3="}));
    auto w = start();
    EXPECT_TRUE(w->ui.cbDemarre->isChecked());
    EXPECT_EQ(w->ui.eSon->text(), "/sons/salle.wav");
    EXPECT_EQ(memoLines(w->ui.mFen), QStringList{"Firefox"});
    for (QWidget* control :
         std::initializer_list<QWidget*>{w->ui.cbDemarre, w->ui.eSon, w->ui.SpeedButton3,
                                         w->ui.SpeedButton9, w->ui.mFen, w->ui.sbFenDefaut}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
        EXPECT_EQ(control->toolTip(), "Réglage imposé par l'administrateur")
            << control->objectName().toStdString();
    }
    EXPECT_TRUE(w->ui.cbAfficher->isEnabled());
    EXPECT_TRUE(w->ui.seMaj->isEnabled());

    // The start-at-logon entry is kept; the user's own values stay in the file.
    w->Enregistre();
    EXPECT_TRUE(QFileInfo::exists(autostartEntry()));
    const std::string users = crlf({"[Vornel]", "Demarre=0", "Son=/sons/moi.wav", "Fenetre1=Opera",
                                    "Fenetre2=Vivaldi", "Fenetre3="});
    EXPECT_EQ(fileText(ini()).substr(0, users.size()), users);
    EXPECT_TRUE(errors.texts.isEmpty()) << errors.texts.join(" | ").toStdString();
}

TEST_F(Settings, BadLinesOfTheSystemFileAreToldAndTheRestApplies) {
    putSystemIni(crlf({"[Vornel]", "MajJour=20", "Couleur=rouge", "[Windows]", "1=Y,casino,N,1,1",
                       "2=Q,poker,N,1,1", "3=Y,loto,N,1,1"}));
    auto w = start();
    EXPECT_EQ(w->ui.seMaj->value(), 20);
    EXPECT_EQ(w->CloseRules.administratorCount(), 2);
    EXPECT_EQ(w->CloseRules.rule(2).Titre, "loto");
    EXPECT_EQ(w->ui.lBureau->text(), "Réglages de l'administrateur ignorés : " + systemIni() +
                                         ", ligne 3 : clé inconnue « Couleur » (et 1 autre ligne)");
}

TEST_F(Settings, AnUnreadableSystemFileIsToldAndTheUsersSettingsApply) {
    putSystemIni(std::string("[Vornel]\0MajJour=20", 18));
    putFile(ini(), crlf({"[Vornel]", "MajJour=9"}));
    auto w = start();
    EXPECT_EQ(w->ui.seMaj->value(), 9);
    EXPECT_EQ(w->ui.lBureau->text(), "Réglages de l'administrateur ignorés : " + systemIni() +
                                         " : ce n'est pas un fichier texte");
}
