#include "netstat/port_names.h"
#include "settings/profile_file.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

std::vector<std::string> namesOf(const std::string& ports) {
    return portNamesFrom(ProfileFile::fromText("[Vornel]\r\n80=not a port name\r\n[ports]\r\n" +
                                               ports + "[Windows]\r\n1=Y,casino,N,1,1\r\n"));
}

} // namespace

TEST(PortNames, KeysFromZeroTo65535NameTheirPort) {
    auto names = namesOf("80=web\r\nx=abc\r\n-1=neg\r\n70000=big\r\n25=mail=smtp\r\n0=zero\r\n"
                         "65535=last\r\n0x16=ssh\r\nnoequals\r\n81=\r\n  82 = Serveur web  \r\n"
                         "443=\"https\"\r\n");
    ASSERT_EQ(names.size(), 65536u);
    EXPECT_EQ(names[80], "web");
    EXPECT_EQ(names[25], "mail=smtp");
    EXPECT_EQ(names[0], "zero");
    EXPECT_EQ(names[65535], "last");
    EXPECT_EQ(names[22], "ssh");
    EXPECT_EQ(names[81], "");
    EXPECT_EQ(names[82], "Serveur web");
    EXPECT_EQ(names[443], "https");
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](auto& n) { return !n.empty(); }), 7);
}

TEST(PortNames, LongNamesAreCutAndLaterEntriesWin) {
    auto names = namesOf("80=first\r\n80=" + std::string(300, 'n') +
                         "\r\n81=" + std::string(254, 'a') + "é\r\n");
    EXPECT_EQ(names[80], std::string(255, 'n'));
    // Never cut inside a UTF-8 sequence.
    EXPECT_EQ(names[81], std::string(254, 'a'));
}

TEST(PortNames, NoSectionNoNames) {
    auto names = portNamesFrom(ProfileFile::fromText(""));
    ASSERT_EQ(names.size(), 65536u);
    EXPECT_TRUE(std::all_of(names.begin(), names.end(), [](auto& n) { return n.empty(); }));
}
