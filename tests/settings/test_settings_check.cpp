// What `vornel --check` and the load of the machine's settings find in a
// file: each unusable line, by number, and only the rest as usable.
#include "settings/settings_check.h"
#include "settings/system_settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>

using namespace vornel;

namespace {

std::vector<int> lineNumbers(const SettingsCheck& check) {
    std::vector<int> lines;
    for (const SettingsProblem& problem : check.problems)
        lines.push_back(problem.line);
    return lines;
}

std::string why(const SettingsCheck& check, int line) {
    for (const SettingsProblem& problem : check.problems)
        if (problem.line == line) return problem.why;
    return "<none>";
}

} // namespace

TEST(SettingsCheck, AFileTheProgramWroteIsUsableWhole) {
    const SettingsCheck check = checkSettings("\xEF\xBB\xBF; réglages de la salle 12\r\n"
                                              "[Vornel]\r\nDemarre=1\r\nAfficher=0\r\nTotal=42\r\n"
                                              "Version=Vornel 2003.03\r\nSon=\r\n"
                                              "Fenetre1= - Mozilla Firefox\r\nFenetre2=\r\n"
                                              "Fenetre5=reste d'une liste plus longue\r\n"
                                              "Maj=0x1\r\nMajJour=30\r\nMajLast=2026-12-01\r\n"
                                              "FenetreReduite=0\r\n\r\n"
                                              "[Windows]\r\n1=Y,casino,N,1,1\r\n"
                                              "2=E,Gagnez, vite !,Y,800,600\r\n3=N,,E,300,200\r\n"
                                              "[Ports]\r\n80=Serveur web\r\n"
                                              "[Impose]\r\nMajJour=15\r\nFenetre1=Firefox\r\n");
    EXPECT_TRUE(check.problems.empty())
        << check.problems.front().line << " " << check.problems.front().why;
    ASSERT_EQ(check.rules.size(), 3u);
    EXPECT_EQ(check.rules[1], (TCond{"E", "Y", "Gagnez, vite !", 800, 600}));
    EXPECT_EQ(check.usable.readString("Ports", "80", ""), "Serveur web");
    EXPECT_EQ(check.usable.readString("Impose", "Fenetre1", ""), "Firefox");
}

// The commented example that the package ships is usable as it stands.
TEST(SettingsCheck, TheShippedExampleIsUsableWhole) {
    const SettingsCheck check = checkSettingsFile(qEnvironmentVariable("VORNEL_SETTINGS_EXAMPLE"));
    for (const SettingsProblem& problem : check.problems)
        ADD_FAILURE() << problem.line << ": " << problem.why;
    EXPECT_EQ(check.rules.size(), 3u);
    EXPECT_TRUE(check.usable.contains("Impose", "Demarre"));
}

TEST(SettingsCheck, EachUnusableLineIsToldByItsNumberAndLeftOut) {
    const SettingsCheck check = checkSettings("Demarre=1\n" // 1 before any section
                                              "[Vornel]\n"
                                              "Couleur=rouge\n"  // 3 unknown key
                                              "MajJour=trente\n" // 4 no number
                                              "Afficher=0\n"
                                              "afficher=1\n"     // 6 given twice
                                              "juste du texte\n" // 7 no key
                                              "[Impose]\n"
                                              "Total=0\n" // 9 not imposable
                                              "Demarre=1\n"
                                              "[Windows]\n"
                                              "1=Y,casino,N,1,1\n"
                                              "2=y,poker,N,1,1\n" // 13 bad mode
                                              "3=N,,N,1,1\n"      // 14 closes everything
                                              "4=Y,,Y,800,600\n"  // 15 never holds
                                              "5=N,,Y,0,600\n"    // 16 no width
                                              "6=Y,bingo,N,1,1\n"
                                              "8=Y,loto,N,1,1\n" // 18 after a gap
                                              "deux=Y,x,N,1,1\n" // 19 no number
                                              "[Ports]\n"
                                              "70000=trop grand\n" // 21 no port
                                              "[Couleurs]\n"       // 22 unknown section
                                              "fond=noir\n"
                                              "[Vornel]\n" // 24 opened before
                                              "Son=/x.wav\n");
    EXPECT_EQ(lineNumbers(check),
              (std::vector<int>{1, 3, 4, 6, 7, 9, 13, 14, 15, 16, 18, 19, 21, 22, 24}));
    EXPECT_EQ(why(check, 3), "clé inconnue « Couleur »");
    EXPECT_EQ(why(check, 4), "« trente » n'est pas un nombre entier");
    EXPECT_EQ(why(check, 6), "la clé « afficher » est déjà donnée ligne 5 : celle-ci est ignorée");
    EXPECT_EQ(why(check, 9), "la clé « Total » ne peut pas être imposée");
    EXPECT_EQ(why(check, 13), "le mode du titre « y » n'est ni Y, ni E, ni N");
    EXPECT_EQ(why(check, 18), "règle ignorée : la règle n° 7 manque");
    EXPECT_EQ(why(check, 22), "section inconnue « [Couleurs] » : ses lignes sont ignorées");

    // The rest is used: the good rules keep their order, a bad key is left out.
    ASSERT_EQ(check.rules.size(), 2u);
    EXPECT_EQ(check.rules[0].Titre, "casino");
    EXPECT_EQ(check.rules[1].Titre, "bingo");
    EXPECT_EQ(check.usable.readString("Vornel", "Afficher", "?"), "0");
    EXPECT_EQ(check.usable.readString("Vornel", "MajJour", "absent"), "absent");
    EXPECT_EQ(check.usable.readString("Vornel", "Son", "absent"), "absent");
    EXPECT_FALSE(check.usable.contains("Impose", "Total"));
    EXPECT_TRUE(check.usable.contains("Impose", "Demarre"));
}

TEST(SettingsCheck, TheCommandPrintsEachLineAndAnswersByItsStatus) {
    QTemporaryDir dir;
    const QString good = dir.filePath("bon.ini");
    const QString bad = dir.filePath("mauvais.ini");
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("[Windows]\n1=Y,casino,N,1,1\n");
    g.close();
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("[Windows]\n1=Y,casino,N,1,1\n2=casino\n");
    b.close();

    std::ostringstream out;
    EXPECT_EQ(printSettingsCheck(good, out), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(printSettingsCheck(bad, out), 1);
    EXPECT_EQ(out.str(), bad.toStdString() + ", ligne 3 : le mode du titre « casino » n'est ni Y, "
                                             "ni E, ni N\n");
    std::ostringstream missing;
    EXPECT_EQ(printSettingsCheck(dir.filePath("absent.ini"), missing), 1);
    EXPECT_EQ(missing.str(),
              dir.filePath("absent.ini").toStdString() + " : le fichier n'existe pas\n");
}

TEST(SystemSettings, TheFirstFolderOfXdgConfigDirsThatHoldsTheFileWins) {
    QTemporaryDir dir;
    for (const char* folder : {"b/vornel", "c/vornel"})
        ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
    for (const char* file : {"b/vornel/vornel.ini", "c/vornel/vornel.ini"}) {
        QFile f(dir.filePath(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QByteArray before = qgetenv("XDG_CONFIG_DIRS");
    qputenv(
        "XDG_CONFIG_DIRS",
        (dir.filePath("a") + ":relative:" + dir.filePath("b") + ":" + dir.filePath("c")).toUtf8());
    EXPECT_EQ(systemSettingsPaths(),
              (QStringList{dir.filePath("a/vornel/vornel.ini"), dir.filePath("b/vornel/vornel.ini"),
                           dir.filePath("c/vornel/vornel.ini")}));
    EXPECT_EQ(systemSettingsPath(), dir.filePath("b/vornel/vornel.ini"));
    qputenv("XDG_CONFIG_DIRS", dir.filePath("a").toUtf8());
    EXPECT_EQ(systemSettingsPath(), QString());
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(systemSettingsPaths(), QStringList{"/etc/xdg/vornel/vornel.ini"});
    if (!before.isNull()) qputenv("XDG_CONFIG_DIRS", before);
}
