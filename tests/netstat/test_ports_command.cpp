#include "netstat/ports_command.h"
#include "support/loopback_sockets.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
class PortsCommandEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString binary = qEnvironmentVariable("VORNEL_BINARY");
        ASSERT_FALSE(binary.isEmpty()) << "VORNEL_BINARY names the program under test";
        program = dir.filePath("vornel");
        ASSERT_TRUE(QFile::copy(binary, program));
    }
    // Runs the program without any display, so that it cannot have started
    // its windows; returns standard output.
    QByteArray run(const QStringList& arguments, int& exitCode) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        // The settings beside the copied binary, not the test's private folder.
        environment.remove("VORNEL_CONFIG_DIR");
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return process.readAllStandardOutput();
    }

    QTemporaryDir dir;
    QString program;
};

} // namespace

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

TEST_F(PortsCommandEndToEnd, PrintsTheLinesOnceAndLeavesNothingBehind) {
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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"vornel", "vornel.ini"}));
    std::ifstream ini(dir.filePath("vornel.ini").toStdString());
    std::string text((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_EQ(text,
              "[Vornel]\nMaj=1\n[Ports]\n" + std::to_string(listener.localPort()) + "=essai\n");
}

TEST_F(PortsCommandEndToEnd, HelpListsThePortsOption) {
    int exitCode = -1;
    const QString output = QString::fromUtf8(run({"--help"}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(output.contains("--ports")) << output.toStdString();
    EXPECT_TRUE(output.contains("--help")) << output.toStdString();
}
