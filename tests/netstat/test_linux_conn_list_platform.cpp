// The connection list over the real kernel, through the Linux agent library.
#include "netstat/conn_list_platform.h"
#include "netstat/ip_connection_list.h"
#include "netstat/ports_page.h"
#include "support/loopback_sockets.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace vornel;
using namespace vornel::test;

namespace {

struct Row {
    int32_t state;
    IpAddressBytes local;
    int32_t localPort;
    IpAddressBytes remote;
    int32_t remotePort;
    auto index() const { return std::tie(local, localPort, remote, remotePort); }
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os) {
    auto text = [](const IpAddressBytes& a) {
        return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) +
               "." + std::to_string(a[3]);
    };
    *os << r.state << " " << text(r.local) << ":" << r.localPort << " " << text(r.remote) << ":"
        << r.remotePort;
}

std::vector<Row> tcpRows(const TQuelmarIpConnectionList& list) {
    std::vector<Row> rows;
    for (int32_t k = 0; k < list.Count(); ++k) {
        const TIpConnInfo& i = list.Items(k);
        if (i.Protocol() == "TCP")
            rows.push_back(
                {i.State(), i.LocalAddress(), i.LocalPort(), i.RemoteAddress(), i.RemotePort()});
    }
    return rows;
}

std::string run(const char* command) {
    std::string out;
    FILE* pipe = ::popen(command, "r");
    if (!pipe) throw std::runtime_error("cannot run ss");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof(buffer), pipe))
        out.append(buffer, n);
    if (::pclose(pipe) != 0) throw std::runtime_error(std::string(command) + " failed");
    return out;
}

// "127.0.0.1:80", "0.0.0.0:*", "127.0.0.53%lo:53"
std::pair<IpAddressBytes, int32_t> endpoint(const std::string& text) {
    auto colon = text.rfind(':');
    std::string host = text.substr(0, colon), port = text.substr(colon + 1);
    host = host.substr(0, host.find('%'));
    IpAddressBytes address{};
    if (inet_pton(AF_INET, host.c_str(), address.data()) != 1)
        throw std::runtime_error("unexpected address " + text);
    return {address, port == "*" ? 0 : std::stoi(port)};
}

// The kernel's IPv4 TCP table as ss prints it, in MIB-II state numbers.
std::vector<Row> ssTan4() {
    static const std::map<std::string, int32_t> states{
        {"UNCONN", 1},   {"LISTEN", 2},     {"SYN-SENT", 3},   {"SYN-RECV", 4},
        {"ESTAB", 5},    {"FIN-WAIT-1", 6}, {"FIN-WAIT-2", 7}, {"CLOSE-WAIT", 8},
        {"LAST-ACK", 9}, {"CLOSING", 10},   {"TIME-WAIT", 11}};
    std::vector<Row> rows;
    std::istringstream lines(run("ss -tanH4"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string state, recvQ, sendQ, local, peer;
        if (!(fields >> state >> recvQ >> sendQ >> local >> peer)) continue;
        auto [la, lp] = endpoint(local);
        auto [ra, rp] = endpoint(peer);
        rows.push_back({states.at(state), la, lp, ra, rp});
    }
    return rows;
}

std::vector<Row> touching(const std::vector<Row>& rows, int32_t port) {
    const IpAddressBytes loopback{127, 0, 0, 1};
    std::vector<Row> out;
    for (const Row& r : rows)
        if (r.local == loopback && (r.localPort == port || r.remotePort == port)) out.push_back(r);
    return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(LinuxConnListPlatform, TheAgentLibraryIsOurOwn) {
    auto platform = makeConnListPlatform();
    EXPECT_TRUE(platform->startSockets(0x0101));
    platform->cleanupSockets();
    EXPECT_EQ(platform->loadAgent("snmpapi.dll"), nullptr);
    auto module = platform->loadAgent("inetmib1.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(module->initEntry());
    EXPECT_TRUE(module->queryEntry());
}

TEST(LinuxConnListPlatform, PortLinesOfTheTestsOwnSockets) {
    TestSocket listener = tcpListener("127.0.0.1");
    TestSocket client = tcpConnect("127.0.0.1", listener.localPort());
    TestSocket server = tcpAccept(listener);
    TestSocket dualStack = tcpListener("::", false);
    TestSocket v6only = tcpListener("::", true);
    TestSocket mappedClient = tcpConnect("::ffff:127.0.0.1", listener.localPort());
    TestSocket udp = udpSocket("127.0.0.1");
    const auto n = std::to_string(listener.localPort()), m = std::to_string(client.localPort());

    TQuelmarIpConnectionList list(nullptr);
    list.Refresh();
    std::vector<std::string> names(65536);
    names[listener.localPort()] = "test";
    auto lines = portLines(list, names);
    EXPECT_TRUE(contains(lines, "Port " + n + " en écoute : test"));
    EXPECT_TRUE(contains(lines, "Port " + n + " connecté : test"));
    EXPECT_TRUE(contains(lines, "Port " + m + " connecté"));
    EXPECT_TRUE(contains(lines, "Port " + std::to_string(dualStack.localPort()) + " en écoute"));
    // The IPv4-mapped client is listed as the IPv4 connection it is.
    EXPECT_TRUE(contains(lines, "Port " + std::to_string(mappedClient.localPort()) + " connecté"));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("Port " + std::to_string(v6only.localPort()) + " "), std::string::npos)
            << line;
        EXPECT_EQ(line.find("Port " + std::to_string(udp.localPort()) + " "), std::string::npos)
            << line;
    }
    // The UDP socket is a UDP row of the table all the same.
    bool udpRow = false;
    for (int32_t k = 0; k < list.Count(); ++k)
        udpRow |= list.Items(k).Protocol() == "UDP" && list.Items(k).LocalPort() == udp.localPort();
    EXPECT_TRUE(udpRow);
}

TEST(LinuxConnListPlatform, TcpRowsInOrderEqualASortedReadingOfSs) {
    TestSocket listener = tcpListener("127.0.0.1");
    std::vector<TestSocket> open;
    for (int i = 0; i < 40; ++i) {
        open.push_back(tcpConnect("127.0.0.1", listener.localPort()));
        open.push_back(tcpAccept(listener));
    }
    TQuelmarIpConnectionList list(nullptr);
    list.Refresh();
    const std::vector<Row> agent = tcpRows(list);
    std::vector<Row> ss = ssTan4();

    // The whole table comes in strictly ascending index order.
    EXPECT_TRUE(std::adjacent_find(agent.begin(), agent.end(), [](const Row& a, const Row& b) {
                    return !(a.index() < b.index());
                }) == agent.end());
    std::sort(ss.begin(), ss.end(),
              [](const Row& a, const Row& b) { return a.index() < b.index(); });
    const std::vector<Row> ours = touching(agent, listener.localPort());
    EXPECT_EQ(ours.size(), 81u);
    EXPECT_EQ(ours, touching(ss, listener.localPort()));
}
