// One instance per user and display, with the real program: starts that race
// each other, and an instance that hangs while a newer one starts.
#include "support/real_vornel.h"

#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>

using namespace vornel::test;

namespace {

const QByteArray Settings = "[Vornel]\r\nAfficher=0\r\nTotal=41\r\nFenetre1=Mozilla\r\n"
                            "[Windows]\r\n1=Y,Pub test,N,0,0\r\n2=E,Gagnez,Y,300,200\r\n";

void expectSettingsIntact(const VornelFolder& folder) {
    const QByteArray ini = folder.read("vornel.ini");
    for (const char* kept :
         {"Total=41", "Fenetre1=Mozilla", "1=Y,Pub test,N,0,0", "2=E,Gagnez,Y,300,200"})
        EXPECT_TRUE(ini.contains(kept)) << kept << " lost from:\n" << ini.toStdString();
}

// Without an event loop a QProcess learns of its end only when asked to wait.
bool isRunning(QProcess& program) {
    return program.state() != QProcess::NotRunning && !program.waitForFinished(0);
}

int running(const std::vector<std::unique_ptr<QProcess>>& programs) {
    int n = 0;
    for (const auto& p : programs)
        n += isRunning(*p);
    return n;
}

// The windows the process shows, such as a message box.
QStringList windowsOf(const QProcess& program) {
    return xdotool(
               {"search", "--all", "--onlyvisible", "--pid", QString::number(program.processId())})
        .split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(SingleInstance, StartsAtTheSameInstantLeaveExactlyOneWithTheSettingsIntact) {
    for (int starts : {3, 5}) {
        VornelFolder folder;
        folder.write("vornel.ini", Settings);
        std::vector<std::unique_ptr<QProcess>> programs;
        for (int i = 0; i < starts; ++i)
            programs.push_back(folder.start());

        // Each one but the last to get the lock is asked to close in turn.
        EXPECT_TRUE(waitUntil([&] { return running(programs) <= 1; }, 90000)) << starts;
        QThread::msleep(1000);
        EXPECT_EQ(running(programs), 1) << starts;
        for (const auto& p : programs)
            if (!isRunning(*p)) {
                EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << starts;
                EXPECT_EQ(p->exitCode(), 0) << starts << ": a start gave up";
            }
        // The last one to get the lock may still be starting: it shows its
        // window once loaded, as any instance that replaced another does.
        QProcess* survivor = nullptr;
        for (const auto& p : programs)
            if (isRunning(*p)) survivor = p.get();
        ASSERT_NE(survivor, nullptr) << starts;
        EXPECT_FALSE(waitForWindow(*survivor, MainWindowSize).isEmpty()) << starts;
        EXPECT_TRUE(folder.instanceListening()) << starts;
        EXPECT_EQ(running(programs), 1) << starts;

        // It ends as usual, and its socket goes with it.
        survivor->terminate();
        EXPECT_TRUE(survivor->waitForFinished(30000)) << starts;
        EXPECT_EQ(survivor->exitCode(), 0) << starts;
        EXPECT_FALSE(folder.instanceListening()) << starts;
        for (const auto& p : programs)
            stop(*p);
        expectSettingsIntact(folder);
    }
}

TEST(SingleInstance, AHungInstanceThatWakesLaterDoesNoHarm) {
    VornelFolder folder;
    folder.write("vornel.ini", Settings);
    auto hung = folder.start();
    ASSERT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    ::kill(pid_t(hung->processId()), SIGSTOP);
    const QByteArray before = folder.read("vornel.ini");
    const QDateTime written = QFileInfo(folder.file("vornel.ini")).lastModified();

    // The newer start gets no answer, says so and gives way.
    auto newer = folder.start(QProcess::SeparateChannels);
    QString box;
    EXPECT_TRUE(waitUntil(
        [&] {
            const QStringList windows = windowsOf(*newer);
            if (windows.size() == 1) box = windows.first();
            return !box.isEmpty();
        },
        60000))
        << "no message box from the start that gave way";
    // A key sent to a window that goes on the press would never be released.
    xdotool({"windowactivate", "--sync", box});
    xdotool({"key", "Return"});
    ASSERT_TRUE(newer->waitForFinished(10000));
    EXPECT_NE(newer->exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(newer->readAllStandardError())
                    .contains("Vornel est déjà lancé mais ne répond pas."));
    EXPECT_EQ(folder.read("vornel.ini"), before);
    EXPECT_EQ(QFileInfo(folder.file("vornel.ini")).lastModified(), written);
    EXPECT_FALSE(QFile::exists(folder.file("vornel.log")));
    EXPECT_TRUE(folder.instanceListening()) << "the start that gave way removed the socket";

    // Awake again, the earlier instance runs on: the request of a start that
    // has gone is not obeyed.
    ::kill(pid_t(hung->processId()), SIGCONT);
    EXPECT_FALSE(hung->waitForFinished(1500));
    EXPECT_TRUE(folder.instanceListening());

    // And it still gives way to the next start, the ordinary way.
    auto next = folder.start();
    EXPECT_TRUE(hung->waitForFinished(15000));
    EXPECT_EQ(hung->exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return folder.instanceListening(); }));
    EXPECT_TRUE(isRunning(*next));
    stop(*next);
    expectSettingsIntact(folder);
    for (QProcess* p : {hung.get(), newer.get(), next.get()})
        stop(*p);
}
