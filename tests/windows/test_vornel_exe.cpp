// The real vornel.exe with its DLLs, copied into a folder of its own, against
// real Win32 pop-up windows of another process.
#include "windows_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vornel::test;

namespace {

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir())
            copyFolder(entry.filePath(), target);
        else
            QFile::copy(entry.filePath(), target);
    }
}

class ProgramFolder {
public:
    ProgramFolder() { copyFolder(QStringLiteral(VORNEL_DIST_DIR), dir_.path()); }

    QString file(const char* name) const { return dir_.path() + u'/' + QLatin1String(name); }
    void write(const char* name, const QByteArray& bytes) const {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const char* name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int logLines() const { return int(read("vornel.log").count('\n')); }

    // The program as a user starts it: no folder chosen for its settings.
    std::unique_ptr<QProcess> start() const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("VORNEL_CONFIG_DIR"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir_.path());
        p->start(file("vornel.exe"), {});
        EXPECT_TRUE(p->waitForStarted(10000));
        return p;
    }

private:
    QTemporaryDir dir_;
};

HWND runningInstance() {
    return FindWindowA("tfmVornelTray", nullptr);
}

std::unique_ptr<QProcess> popUp(const QString& title) {
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral(VORNEL_TEST_POPUP), {title});
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

bool ended(QProcess& p, int ms = 30000) {
    return waitUntil([&] { return p.state() == QProcess::NotRunning; }, ms);
}

void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.kill();
    p.waitForFinished(5000);
}

const QByteArray PopUpRule = "[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nTotal=41\r\n"
                             "[Windows]\r\n1=Y,Pub test,N,0,0\r\n";

} // namespace

TEST(VornelExe, ClosesTheNamedPopUpAndASecondStartTakesOverTheTotalAndTheLog) {
    ASSERT_EQ(runningInstance(), nullptr) << "a Vornel already runs on the test display";
    ProgramFolder folder;
    folder.write("vornel.ini", PopUpRule);
    auto first = folder.start();
    ASSERT_TRUE(waitUntil([] { return runningInstance() != nullptr; }, 60000));

    auto other = popUp(QStringLiteral("Nouvelles du jour - Microsoft Internet Explorer"));
    auto pub = popUp(QStringLiteral("Pub test - Microsoft Internet Explorer"));
    ASSERT_TRUE(ended(*pub)) << "the first instance did not close the pop-up";
    EXPECT_EQ(pub->exitCode(), 0);
    // Closings wait for the next save.
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=41"));

    auto second = folder.start();
    ASSERT_TRUE(ended(*first)) << "the first instance did not end";
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=42"));
    EXPECT_EQ(folder.logLines(), 1);
    ASSERT_TRUE(waitUntil([] { return runningInstance() != nullptr; }, 60000));

    auto again = popUp(QStringLiteral("Pub test - Microsoft Internet Explorer"));
    ASSERT_TRUE(ended(*again)) << "the second instance did not close the pop-up";
    // As a third start would: the tray form's window is asked to close, and
    // the send returns once the settings and the log are written.
    SendMessageA(runningInstance(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(folder.read("vornel.ini").contains("Total=43"));
    // This test reads the settings while the program saves them once more on
    // its way out: the save must wait for the reader, not fail and stop the
    // end at an error box.
    ASSERT_TRUE(ended(*second)) << "the second instance did not end; its tray window "
                                << (runningInstance() ? "is still there" : "is gone");
    EXPECT_EQ(folder.logLines(), 2);
    EXPECT_TRUE(folder.read("vornel.log").contains("Pub test"));

    // No rule names the other window: it was left open all along.
    EXPECT_EQ(other->state(), QProcess::Running);
    // The settings and the log are beside the program, and nothing else was
    // written there.
    EXPECT_TRUE(QFileInfo::exists(folder.file("vornel.ini")));
    EXPECT_TRUE(QFileInfo::exists(folder.file("vornel.log")));
    for (QProcess* p : {first.get(), second.get(), pub.get(), again.get(), other.get()})
        stop(*p);
}
