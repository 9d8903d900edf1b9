// The counters and the log with the real program and real windows: closings
// continue the stored total, the log keeps them newest first, and a reset
// reaches the files at the next save, here the one made on quitting.
#include "support/real_vornel.h"
#include "support/x11_display.h"

using namespace vornel::test;

namespace {

// Places in the main window's client area: side buttons at the left, page
// controls 84 pixels in and 24 down.
constexpr QPoint SideButtonStats(4 + 36, 168 + 16);
constexpr QPoint SideButtonOptions(4 + 36, 208 + 16);
constexpr QPoint ResetAll(84 + 224 + 64, 24 + 2 + 9);
constexpr QPoint QuitVornel(84 + 248 + 50, 24 + 288 + 13);

void writeFile(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {"(missing)"};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        lines << (line.endsWith('\r') ? line.chopped(1) : line);
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

QString iniValue(const QString& path, const QString& key) {
    for (const QString& raw : fileLines(path)) {
        const QString line = raw.trimmed();
        if (line.section('=', 0, 0) == key) return line.section('=', 1);
    }
    return "(missing)";
}

// A browser pop-up that a rule closes: it must be gone within a few ticks.
bool popUpIsClosed(const QString& title) {
    QProcess popUp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(testDisplay()));
    popUp.setProcessEnvironment(env);
    popUp.start("xlogo", {"-geometry", "200x150+30+30", "-title", title});
    if (!popUp.waitForStarted()) return false;
    const bool closed = popUp.waitForFinished(5000);
    if (!closed) {
        popUp.kill();
        popUp.waitForFinished();
    }
    return closed;
}

void quitFromTheOptionsPage(RealVornel& vornel, const QString& main) {
    clickAt(main, SideButtonOptions);
    clickAt(main, QuitVornel);
    EXPECT_TRUE(vornel.process().waitForFinished(10000)) << "did not quit";
}

} // namespace

TEST(StatisticsOnTheDesktop, ClosingsContinueTheStoredTotalAndResetReachesTheFiles) {
    ASSERT_FALSE(testDisplay().empty());
    RealVornel vornel;
    writeFile(vornel.file("vornel.ini"), "[Vornel]\r\nTotal=10\r\nFenetre1= - Mozilla\r\n"
                                         "[Windows]\r\n1=Y,casino,N,1,1\r\n2=Y,loto,N,1,1\r\n"
                                         "3=Y,poker,N,1,1\r\n");
    vornel.start();
    QString main = vornel.waitForWindow(MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed";

    // Each pop-up is a new X client, which the server may give the id of the
    // one just gone: a tick must see it gone first, or it is the same window
    // retitled, asked again but not counted again.
    EXPECT_TRUE(popUpIsClosed("Casino en ligne - Mozilla"));
    QThread::msleep(400);
    EXPECT_TRUE(popUpIsClosed("Super loto - Mozilla"));
    QThread::msleep(400);
    EXPECT_TRUE(popUpIsClosed("Poker - Mozilla"));
    quitFromTheOptionsPage(vornel, main);

    EXPECT_EQ(iniValue(vornel.file("vornel.ini"), "Total"), "13");
    QStringList log = fileLines(vornel.file("vornel.log"));
    ASSERT_EQ(log.size(), 3) << log.join('\n').toStdString();
    EXPECT_TRUE(log[0].endsWith(" : Titre~\"poker\" ")) << log[0].toStdString();
    EXPECT_TRUE(log[1].endsWith(" : Titre~\"loto\" ")) << log[1].toStdString();
    EXPECT_TRUE(log[2].endsWith(" : Titre~\"casino\" ")) << log[2].toStdString();

    // The next run shows them again; the reset empties them at the save on quitting.
    vornel.start();
    main = vornel.waitForWindow(MainWindowSize);
    ASSERT_FALSE(main.isEmpty()) << "the main window never showed again";
    clickAt(main, SideButtonStats);
    clickAt(main, ResetAll);
    // It asks first, in a box captioned "Vornel"; "&Oui" resets.
    auto questions = [&] {
        return xdotool({"search", "--all", "--onlyvisible", "--pid",
                        QString::number(vornel.process().processId()), "--name", "^Vornel$"})
            .split('\n', Qt::SkipEmptyParts);
    };
    QStringList asked;
    ASSERT_TRUE(waitUntil([&] { return !(asked = questions()).isEmpty(); }))
        << "no question before the reset";
    xdotool({"windowactivate", "--sync", asked.first()});
    xdotool({"key", "--clearmodifiers", "alt+o"});
    EXPECT_TRUE(waitUntil([&] { return questions().isEmpty(); })) << "the question stayed";
    // Nothing is saved by the reset itself.
    EXPECT_EQ(iniValue(vornel.file("vornel.ini"), "Total"), "13");
    EXPECT_EQ(fileLines(vornel.file("vornel.log")).size(), 3);
    quitFromTheOptionsPage(vornel, main);

    EXPECT_EQ(iniValue(vornel.file("vornel.ini"), "Total"), "0");
    EXPECT_TRUE(fileLines(vornel.file("vornel.log")).isEmpty());
}
