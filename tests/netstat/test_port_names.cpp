#include "netstat/port_names.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

using namespace vornel;

TEST(PortNamesFromEntries, KeysFromZeroTo65535NameTheirPort) {
    auto names = portNamesFromEntries({"80=web", "x=abc", "-1=neg", "70000=big", "25=mail=smtp",
                                       "0=zero", "65535=last", "0x16=ssh", "noequals", "81="});
    ASSERT_EQ(names.size(), 65536u);
    EXPECT_EQ(names[80], "web");
    EXPECT_EQ(names[25], "mail=smtp");
    EXPECT_EQ(names[0], "zero");
    EXPECT_EQ(names[65535], "last");
    EXPECT_EQ(names[22], "ssh");
    EXPECT_EQ(names[81], "");
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](auto& n) { return !n.empty(); }), 5);
}

TEST(PortNamesFromEntries, LongNamesAreCutAndLaterEntriesWin) {
    auto names = portNamesFromEntries({"80=first", std::string("80=") + std::string(300, 'n'),
                                       std::string("81=") + std::string(254, 'a') + "é"});
    EXPECT_EQ(names[80], std::string(255, 'n'));
    // Never cut inside a UTF-8 sequence.
    EXPECT_EQ(names[81], std::string(254, 'a'));
}

TEST(ReadSectionEntries, ThePortsSectionOfASettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("vornel.ini").toStdString();
    std::ofstream(path) << "[Vornel]\r\n80=not a port name\r\n"
                           "[ports]\r\n"
                           "  80 = Serveur web  \r\n"
                           "; 81=comment\r\n"
                           "443=\"https\"\r\n"
                           "noequals\r\n"
                           "[Windows]\r\n1=Y,casino,N,1,1\r\n";
    EXPECT_EQ(readSectionEntries(path, "Ports"),
              (std::vector<std::string>{"80=Serveur web", "443=https"}));
    auto names = portNamesFromEntries(readSectionEntries(path, "Ports"));
    EXPECT_EQ(names[80], "Serveur web");
    EXPECT_EQ(names[443], "https");
    EXPECT_TRUE(readSectionEntries(dir.filePath("missing.ini").toStdString(), "Ports").empty());
}
