// The real vornel.exe with its DLLs, copied into a folder of its own, against
// real Win32 pop-up windows of another process.
#include "app/command_line.h"
#include "blocking/desktops/desktop_choice.h"
#include "common/program_language.h"
#include "windows_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace vornel;
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
    // The machine's settings file, in this folder's own %ProgramData%.
    void writeSystemSettings(const QByteArray& bytes) const {
        QDir().mkpath(file("ProgramData/Vornel"));
        write("ProgramData/Vornel/vornel.ini", bytes);
    }
    int logLines() const { return int(read("vornel.log").count('\n')); }

    // The program as a user starts it: no folder chosen for its settings.
    // The update page, should it be asked for, is asked of no server.
    std::unique_ptr<QProcess> start() const {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("VORNEL_CONFIG_DIR"));
        env.insert(QStringLiteral("VORNEL_UPDATE_HOST"), QStringLiteral("127.0.0.1:9"));
        env.insert(QStringLiteral("ProgramData"), QDir::toNativeSeparators(file("ProgramData")));
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

// This process's console, made for the test when it has none, cleared; what
// is written there can be read back.
class Console {
public:
    Console() {
        screen_ = open();
        // Wine leaves a test started without a terminal attached to no
        // console it can open, and allocates none before it is let go.
        if (screen_ == INVALID_HANDLE_VALUE && (FreeConsole(), AllocConsole())) {
            made_ = true;
            screen_ = open();
        }
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(screen_, &info);
        cells_ = DWORD(info.dwSize.X) * DWORD(info.dwSize.Y);
        DWORD written = 0;
        FillConsoleOutputCharacterW(screen_, L' ', cells_, {0, 0}, &written);
        SetConsoleCursorPosition(screen_, {0, 0});
    }
    ~Console() {
        if (screen_ != INVALID_HANDLE_VALUE) CloseHandle(screen_);
        if (made_) FreeConsole();
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool isOpen() const { return screen_ != INVALID_HANDLE_VALUE && cells_ > 0; }
    QString text() const {
        std::wstring text(cells_, L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen_, text.data(), cells_, {0, 0}, &read);
        return QString::fromStdWString(text.substr(0, read));
    }

private:
    static HANDLE open() {
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    HANDLE screen_ = INVALID_HANDLE_VALUE;
    bool made_ = false;
    DWORD cells_ = 0;
};

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
    // A closing is on disk within seconds, before any command saves.
    EXPECT_TRUE(waitUntil([&] { return folder.read("vornel.ini").contains("Total=42"); }, 10000));

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

// The administrator's file in %ProgramData%\Vornel: its rule closes its
// pop-up, and the user's file after the save holds only the user's rule.
TEST(VornelExe, TheMachinesSettingsInProgramDataApply) {
    ASSERT_EQ(runningInstance(), nullptr) << "a Vornel already runs on the test display";
    ProgramFolder folder;
    folder.writeSystemSettings("[Vornel]\r\nFenetre1=Microsoft Internet Explorer\r\n"
                               "[Windows]\r\n1=Y,Pub salle,N,1,1\r\n");
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nDemarre=0\r\n"
                               "[Windows]\r\n1=Y,Pub perso,N,1,1\r\n");
    auto program = folder.start();
    ASSERT_TRUE(waitUntil([] { return runningInstance() != nullptr; }, 60000));
    auto pub = popUp(QStringLiteral("Pub salle - Microsoft Internet Explorer"));
    EXPECT_TRUE(ended(*pub)) << "the administrator's rule did not close its pop-up";
    SendMessageA(runningInstance(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(ended(*program));
    const QByteArray ini = folder.read("vornel.ini");
    EXPECT_TRUE(ini.contains("[Windows]\r\n1=Y,Pub perso,N,1,1\r\n")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("Pub salle")) << ini.toStdString();
    EXPECT_FALSE(ini.contains("Fenetre1")) << ini.toStdString();
    EXPECT_TRUE(folder.read("vornel.log").contains("Pub salle"));
    for (QProcess* p : {program.get(), pub.get()})
        stop(*p);
}

TEST(VornelExe, AStartThatMayNotOpenTheRunningOnesMutexSaysSoAndEnds) {
    ASSERT_EQ(runningInstance(), nullptr) << "a Vornel already runs on the test display";
    // The mutex's name held out of this start's reach, as a Vornel run as
    // administrator holds it.
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, "Local\\Vornel-instance");
    ASSERT_NE(taken, nullptr);
    ProgramFolder folder;
    folder.write("vornel.ini", PopUpRule);
    auto p = folder.start();
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = windowOf(*p)) != nullptr; }, 60000)) << "no message";
    EXPECT_EQ(runningInstance(), nullptr) << "it runs beside the other";
    PostMessageA(box, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ended(*p));
    EXPECT_EQ(p->exitCode(), 1);
    const QString said = QString::fromUtf8(p->readAllStandardError());
    EXPECT_TRUE(said.contains(programText(
        "Program", "Un autre Vornel est déjà lancé, sans doute en tant qu'administrateur ou par "
                   "un autre compte, et cette copie ne peut pas lui demander de se fermer. Elle "
                   "s'arrête sans rien modifier ; fermez l'autre Vornel, puis relancez le "
                   "programme.")))
        << said.toStdString();
    EXPECT_EQ(folder.read("vornel.ini"), PopUpRule);
    EXPECT_FALSE(QFileInfo::exists(folder.file("vornel.log")));
    CloseHandle(taken);
    stop(*p);
}

TEST(VornelExe, TheOneShotOptionsPrintInTheConsoleTheyWereStartedFrom) {
    Console console;
    ASSERT_TRUE(console.isOpen());
    // As cmd.exe starts a windows program: no standard handles of its own.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    // The help, then a refusal that names a desktop with accents.
    const std::pair<const wchar_t*, DWORD> runs[] = {{L"--help", 0},
                                                     {L"--desktop \"\u00e9t\u00e9\"", 2}};
    for (const auto& [arguments, status] : runs) {
        std::wstring command =
            L"\"" +
            QDir::toNativeSeparators(QStringLiteral(VORNEL_DIST_DIR "/vornel.exe")).toStdWString() +
            L"\" " + arguments;
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &process));
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(code, status);
    }
    const QString shown = console.text().simplified();
    EXPECT_TRUE(shown.contains(programText("CommandLine", "Utilisation : vornel [options]")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(programText("CommandLine",
                                           "affiche les fenêtres que voit Vornel (numéro, visible, "
                                           "réduite, largeur x hauteur, titre), puis quitte")))
        << shown.toStdString();
    // Accents and all, whatever the console's code page.
    EXPECT_TRUE(
        shown.contains(programText("CommandLine", "le bureau « %1 » est inconnu. Choisissez %2.")
                           .arg(QStringLiteral("été"), desktopNamesText())))
        << shown.toStdString();
}

// A pipe or a file is given UTF-8, whatever the system's code page: the help,
// the refusals and the windows' titles alike. The walk is made measuring in
// each monitor's own pixels, which at 100 % changes no size.
TEST(VornelExe, TheOneShotOptionsWriteUtf8IntoAPipe) {
    const auto run = [](const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral(VORNEL_DIST_DIR "/vornel.exe"), arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::pair{p.readAllStandardOutput(), p.readAllStandardError()};
    };
    const auto [help, helpErrors] = run({QStringLiteral("--help")});
    // The display language's: French for French, English for any other.
    const bool english = languageFor(QLocale::system().uiLanguages()) == Language::English;
    EXPECT_TRUE(QString::fromUtf8(help).startsWith(english ? "Usage: vornel [options]"
                                                           : "Utilisation : vornel [options]"))
        << help.toStdString();
    EXPECT_EQ(QString::fromUtf8(help).remove(u'\r'), helpText());
    const auto [none, refusal] = run({QStringLiteral("--desktop"), QStringLiteral("aucun")});
    EXPECT_TRUE(
        refusal.contains(programText("CommandLine", "le bureau « %1 » est inconnu. Choisissez %2.")
                             .arg(QStringLiteral("aucun"), desktopNamesText())
                             .toUtf8()))
        << refusal.toStdString();

    auto popup = popUp(QStringLiteral("Publicité"));
    ASSERT_TRUE(waitUntil([&] { return windowOf(*popup) != nullptr; }, 20000));
    const auto [windows, windowErrors] = run({QStringLiteral("--windows")});
    // Lines end as Windows text files' do.
    EXPECT_TRUE(windows.contains(QStringLiteral("\t1\t0\t400x300\tPublicité\r\n").toUtf8()))
        << windows.toStdString() << windowErrors.toStdString();
    stop(*popup);
}

TEST(VornelExe, TheUpdateReminderComesUnderAShortDateWithTwoDigitYears) {
    ASSERT_EQ(runningInstance(), nullptr) << "a Vornel already runs on the test display";
    const UserShortDate format(L"dd/MM/yy");
    // A check 20 days ago, as an earlier version stored it; a reminder every
    // 15 days; the window hidden at start.
    const QDate checked = QDate::currentDate().addDays(-20);
    ProgramFolder folder;
    folder.write("vornel.ini", "[Vornel]\r\nAfficher=0\r\nDemarre=0\r\nMaj=1\r\nMajJour=15\r\n"
                               "MajLast=" +
                                   checked.toString(QStringLiteral("dd/MM/yy")).toLatin1() +
                                   "\r\n");
    auto p = folder.start();
    ASSERT_TRUE(waitUntil([] { return runningInstance() != nullptr; }, 60000));
    EXPECT_TRUE(waitUntil([&] { return windowOf(*p) != nullptr; }, 20000))
        << "the window stayed hidden: no reminder";
    SendMessageA(runningInstance(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(ended(*p));
    // The day of the check is kept, with its century.
    EXPECT_TRUE(folder.read("vornel.ini")
                    .contains("MajLast=" +
                              checked.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + "\r\n"))
        << folder.read("vornel.ini").toStdString();
    stop(*p);
}
