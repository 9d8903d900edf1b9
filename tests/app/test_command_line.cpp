// The command line, read in one place: the reader on its own, then the real
// program run with it, with no display, so that it cannot start its windows.
#include "app/command_line.h"
#include "common/program_language.h"
#include "netstat/ports_command.h"
#include "support/loopback_sockets.h"
#include "support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace vornel;

namespace {

std::string lineFor(uint16_t port, const char* what) {
    return "Port " + std::to_string(port) + " " + what;
}

bool hasLine(const std::string& output, const std::string& line) {
    std::istringstream lines(output);
    for (std::string l; std::getline(lines, l);)
        if (l == line) return true;
    return false;
}

// The real program, copied into a folder of its own with a settings file.
class CommandLineEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString binary = qEnvironmentVariable("VORNEL_BINARY");
        ASSERT_FALSE(binary.isEmpty()) << "VORNEL_BINARY names the program under test";
        program = dir.filePath("vornel");
        ASSERT_TRUE(QFile::copy(binary, program));
    }
    // Runs the program without any display or desktop, so that it cannot
    // have started its windows; returns standard output, and keeps standard
    // error in errors. environment: variables added to the program's.
    QByteArray run(const QStringList& arguments, int& exitCode,
                   const QStringList& environment = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "I3SOCK",
                                 "VORNEL_DESKTOP", "QT_QPA_PLATFORM"})
            env.remove(name);
        // The settings beside the copied binary, not the test's private folder.
        env.remove("VORNEL_CONFIG_DIR");
        // French, whatever the desktop of the person running the tests.
        env.remove("LANGUAGE");
        env.remove("LC_MESSAGES");
        env.insert("LC_ALL", "C.UTF-8");
        for (const QString& variable : environment)
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        errors = QString::fromUtf8(process.readAllStandardError());
        return process.readAllStandardOutput();
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QString errors;
    QTemporaryDir dir;
    QString program;
};

CommandLine parsed(const QStringList& arguments) {
    return readCommandLine(QStringList{"vornel"} + arguments);
}

} // namespace

TEST(ReadCommandLine, EachActionWithTheDesktopInEitherSpelling) {
    using Action = CommandLine::Action;
    const struct {
        QStringList arguments;
        Action action;
        std::string desktop;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"--windows", "--desktop", "wlroots"}, Action::ListWindows, "wlroots"},
        {{"--desktop=x11"}, Action::Run, "x11"},
        {{"--windows"}, Action::ListWindows, ""},
        // A single dash is read as two, not as a row of one-letter options.
        {{"-windows", "-desktop", "kwin"}, Action::ListWindows, "kwin"},
        {{"--ports"}, Action::ListPorts, ""},
        {{"-h"}, Action::Help, ""},
        {{"--help", "--ports"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        {{"--check", "vornel.ini"}, Action::Check, ""},
        // Qt's own options are left to Qt, in any of the spellings it reads.
        {{"-platform", "xcb"}, Action::Run, ""},
        {{"--platform", "offscreen", "--windows", "-desktop", "x11"}, Action::ListWindows, "x11"},
        {{"-display", ":1", "-style=Fusion", "-reverse", "--style", "Fusion", "-geometry", "+0+0"},
         Action::Run,
         ""},
    };
    for (const auto& c : cases) {
        const CommandLine line = parsed(c.arguments);
        const std::string said = c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.action, c.action) << said << ": " << line.fault.toStdString();
        EXPECT_EQ(line.desktop, c.desktop) << said;
        EXPECT_TRUE(line.fault.isEmpty()) << said;
    }
}

TEST(ReadCommandLine, RefusesWhatItDoesNotKnowAndNamesIt) {
    const struct {
        QStringList arguments;
        const char* fault;
    } cases[] = {
        {{"--windwos"}, "option inconnue : --windwos"},
        {{"-bogus"}, "option inconnue : -bogus"},
        {{"--bogus=1"}, "option inconnue : --bogus"},
        {{"--un", "--windows", "--deux"}, "options inconnues : --un, --deux"},
        {{"--desktop", "nowhere"},
         "le bureau « nowhere » est inconnu. Choisissez gnome, kwin, sway, wlroots ou x11."},
        {{"--windows", "--desktop"}, "il manque la valeur de l'option --desktop"},
        {{"--desktop="}, "il manque la valeur de l'option --desktop"},
        {{"--desktop", "--windows"}, "il manque la valeur de l'option --desktop"},
        {{"--windows=1"}, "l'option --windows ne prend pas de valeur"},
        {{"--ports", "--windows"}, "--ports ne se combine ni avec --windows ni avec --desktop"},
        {{"--ports", "--desktop", "x11"}, "--ports ne se combine"},
        {{"x11"}, "argument inattendu : x11"},
        {{"--check"}, "il manque la valeur de l'option --check"},
        {{"--check="}, "il manque la valeur de l'option --check"},
        {{"--check", "a.ini", "--ports"}, "--check ne se combine avec aucune autre option"},
        {{"--windows", "-platform"}, "il manque la valeur de l'option -platform"},
        // Qt reads no such form: it would be lost without a word.
        {{"-platform=xcb"}, "option inconnue : -platform"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parsed(c.arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Refuse) << c.fault;
        EXPECT_TRUE(line.fault.startsWith(QString::fromUtf8(c.fault)))
            << c.fault << " <> " << line.fault.toStdString();
    }
}

TEST(HelpText, TheUsageLineThenOneAlignedEntryPerOptionWithinEightyColumns) {
    const QStringList lines = helpText().split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "Utilisation : vornel [options]");
    // An option's names, then its text; or a blank start and more text.
    static const QRegularExpression entry("^(  -\\S.*?  +|\\s+)\\S");
    qsizetype column = -1;
    for (const QString& line : lines.mid(1)) {
        EXPECT_LE(line.size(), 80) << line.toStdString();
        const QRegularExpressionMatch m = entry.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        // Every text starts at the same column.
        if (column < 0) column = m.capturedLength(1);
        EXPECT_EQ(m.capturedLength(1), column) << line.toStdString();
    }
    EXPECT_TRUE(helpText().contains("gnome, kwin, sway, wlroots ou x11"));
    EXPECT_TRUE(helpText().contains("VORNEL_DESKTOP"));
}

TEST(PrintPorts, PageLinesWithTheNamesOfThePortsSection) {
    QTemporaryDir dir;
    test::TestSocket listener = test::tcpListener("127.0.0.1");
    test::TestSocket client = test::tcpConnect("127.0.0.1", listener.localPort());
    const std::string ini = dir.filePath("vornel.ini").toStdString();
    std::ofstream(ini) << "[Ports]\n" << listener.localPort() << "=essai\n";
    std::ostringstream out, err;
    EXPECT_EQ(printPorts(out, err, ini), 0);
    EXPECT_TRUE(hasLine(out.str(), lineFor(listener.localPort(), "en écoute : essai")))
        << out.str();
    EXPECT_TRUE(hasLine(out.str(), lineFor(client.localPort(), "connecté"))) << out.str();
    EXPECT_TRUE(err.str().empty());
}

TEST_F(CommandLineEndToEnd, PortsPrintsTheLinesOnceAndLeavesNothingBehind) {
    test::TestSocket listener = test::tcpListener("127.0.0.1");
    {
        std::ofstream ini(dir.filePath("vornel.ini").toStdString());
        ini << "[Vornel]\nMaj=1\n[Ports]\n" << listener.localPort() << "=essai\n";
    }
    int exitCode = -1;
    const std::string output = run({"--ports"}, exitCode).toStdString();
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(hasLine(output, lineFor(listener.localPort(), "en écoute : essai"))) << output;
    // Neither a log nor a rewritten settings file: the program only read.
    EXPECT_EQ(files(), (QStringList{"vornel", "vornel.ini"}));
    std::ifstream ini(dir.filePath("vornel.ini").toStdString());
    std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_EQ(text,
              "[Vornel]\nMaj=1\n[Ports]\n" + std::to_string(listener.localPort()) + "=essai\n");
}

TEST_F(CommandLineEndToEnd, HelpListsEveryOptionAndVersionNamesTheQtItRunsOn) {
    int exitCode = -1;
    const QString help = QString::fromUtf8(run({"--help"}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(help, helpText());
    for (const char* option : {"--ports", "--windows", "--desktop NOM", "-h, --help", "--version"})
        EXPECT_TRUE(help.contains(QString("\n  ") + option)) << option << '\n'
                                                             << help.toStdString();

    const QString version = QString::fromUtf8(run({"--version"}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(version, QString("Vornel 2003.03\nQt %1\n").arg(qVersion()));
    EXPECT_EQ(files(), QStringList{"vornel"});
}

TEST_F(CommandLineEndToEnd, AMistakeIsNamedWithTheUsageLineAndNothingStarts) {
    const struct {
        QStringList arguments;
        const char* says;
    } cases[] = {
        {{"--bogus"}, "vornel: option inconnue : --bogus\n"},
        {{"--windwos"}, "vornel: option inconnue : --windwos\n"},
        {{"--desktop", "nowhere"},
         "vornel: le bureau « nowhere » est inconnu. Choisissez gnome, kwin, sway, wlroots ou "
         "x11.\n"},
        {{"--windows", "--desktop"}, "vornel: il manque la valeur de l'option --desktop\n"},
        {{"--ports", "--desktop", "x11"},
         "vornel: --ports ne se combine ni avec --windows ni avec --desktop\n"},
    };
    for (const auto& c : cases) {
        int exitCode = -1;
        EXPECT_EQ(run(c.arguments, exitCode), "") << c.says;
        EXPECT_EQ(exitCode, 2) << c.says;
        EXPECT_EQ(errors, QString::fromUtf8(c.says) + "Utilisation : vornel [options]\n");
    }
    // Neither settings nor a log: nothing was started.
    EXPECT_EQ(files(), QStringList{"vornel"});
}

// The help and the mistakes speak the desktop's language, as Qt reads it
// from LANGUAGE, LC_ALL, LC_MESSAGES and LANG: French for a French desktop
// and for one set to no language (C), as the program always spoke; else the
// first language of the list that the program has, English when none is.
TEST_F(CommandLineEndToEnd, HelpAndMistakesSpeakTheDesktopsLanguage) {
    speakLanguage(Language::English);
    const QString english = helpText();
    speakLanguage(Language::French);
    const QString french = helpText();
    ASSERT_TRUE(english.startsWith("Usage: vornel [options]\n")) << english.toStdString();
    ASSERT_TRUE(french.startsWith("Utilisation : vornel [options]\n")) << french.toStdString();
    const struct {
        QStringList environment;
        const QString& help;
    } cases[] = {
        {{"LC_ALL=en_US.UTF-8"}, english},
        {{"LC_ALL=de_DE.UTF-8"}, english},
        {{"LC_ALL=fr_FR.UTF-8"}, french},
        {{"LC_ALL=C.UTF-8"}, french},
        {{"LC_ALL=POSIX"}, french},
        {{"LC_ALL=", "LANG=fr_CA.UTF-8"}, french},
        {{"LC_ALL=", "LC_MESSAGES=es_ES.UTF-8", "LANG=fr_FR.UTF-8"}, english},
        {{"LC_ALL=", "LANG=de_DE.UTF-8", "LANGUAGE=de:fr:en"}, french},
        {{"LC_ALL=", "LANG=de_DE.UTF-8", "LANGUAGE=nl:en_GB:fr"}, english},
    };
    for (const auto& c : cases) {
        int exitCode = -1;
        EXPECT_EQ(QString::fromUtf8(run({"--help"}, exitCode, c.environment)), c.help)
            << c.environment.join(' ').toStdString();
        EXPECT_EQ(exitCode, 0);
    }

    int exitCode = -1;
    run({"--bogus"}, exitCode, {"LC_ALL=en_US.UTF-8"});
    EXPECT_EQ(exitCode, 2);
    EXPECT_EQ(errors, "vornel: unknown option: --bogus\nUsage: vornel [options]\n");
    EXPECT_EQ(run({"--check", dir.filePath("nowhere.ini")}, exitCode, {"LC_ALL=de_DE.UTF-8"}),
              QDir::toNativeSeparators(dir.filePath("nowhere.ini")).toUtf8() +
                  ": the file does not exist\n");
    EXPECT_EQ(exitCode, 1);
}

TEST_F(CommandLineEndToEnd, WindowsThatCannotBeSeenAreNotListedAsNone) {
    // No desktop at all.
    int exitCode = -1;
    EXPECT_EQ(run({"--windows"}, exitCode), "");
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(errors.contains("Aucune fenêtre n'est surveillée : aucun bureau graphique"))
        << errors.toStdString();

    // The variable names a desktop that does not exist: said, as the program
    // says it on its page, and the option, when given, wins over it.
    EXPECT_EQ(run({"--windows"}, exitCode, {"VORNEL_DESKTOP=kde"}), "");
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(errors.contains("le bureau « kde » est inconnu")) << errors.toStdString();
    EXPECT_EQ(run({"--windows", "--desktop=x11"}, exitCode, {"VORNEL_DESKTOP=kde"}), "");
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(errors.contains("le bureau « x11 » demandé ne répond pas")) << errors.toStdString();
}
