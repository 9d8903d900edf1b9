// Against the real kernel: the test opens its own sockets and looks for them.
#include "netstat/kernel_socket_tables.h"
#include "support/loopback_sockets.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vornel;
using namespace vornel::test;

namespace {

constexpr uint8_t Established = 1, Closed = 7, Listen = 10;

std::array<uint8_t, 16> address(const char* text) {
    std::array<uint8_t, 16> bytes{};
    if (inet_pton(AF_INET, text, bytes.data()) != 1) inet_pton(AF_INET6, text, bytes.data());
    return bytes;
}

KernelSocket v4(uint8_t state, uint16_t lport, uint16_t rport = 0) {
    const char* peer = rport ? "127.0.0.1" : "0.0.0.0";
    return {false, state, address("127.0.0.1"), lport, address(peer), rport, false};
}

KernelSocket v6(uint8_t state, const char* local, uint16_t lport, bool v6only) {
    return {true, state, address(local), lport, address("::"), 0, v6only};
}

// The sockets of sockets that have one of ports at either end.
std::vector<KernelSocket> withPorts(const std::vector<KernelSocket>& sockets,
                                    std::initializer_list<uint16_t> ports) {
    std::vector<KernelSocket> out;
    for (const KernelSocket& s : sockets)
        if (std::find(ports.begin(), ports.end(), s.localPort) != ports.end() ||
            (s.remotePort && std::find(ports.begin(), ports.end(), s.remotePort) != ports.end()))
            out.push_back(s);
    auto key = [](const KernelSocket& s) {
        return std::tie(s.ipv6, s.localAddress, s.localPort, s.remoteAddress, s.remotePort);
    };
    std::sort(out.begin(), out.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
    return out;
}

struct TcpSockets {
    TestSocket listener = tcpListener("127.0.0.1");
    TestSocket client = tcpConnect("127.0.0.1", listener.localPort());
    TestSocket server = tcpAccept(listener);
    TestSocket dualStack = tcpListener("::", false);
    TestSocket v6only = tcpListener("::", true);
    uint16_t n = listener.localPort(), m = client.localPort();
    uint16_t d = dualStack.localPort(), o = v6only.localPort();

    std::vector<KernelSocket> expected() const {
        return {v4(Listen, n), v4(Established, n, m), v4(Established, m, n),
                v6(Listen, "::", d, false), v6(Listen, "::", o, true)};
    }
};

struct UdpSockets {
    TestSocket bound = udpSocket("127.0.0.1");
    TestSocket connected = udpSocket("127.0.0.1", std::nullopt, bound.localPort());
    TestSocket dualStack = udpSocket("::", false);
    uint16_t b = bound.localPort(), c = connected.localPort(), d = dualStack.localPort();

    std::vector<KernelSocket> expected() const {
        return {v4(Closed, b), v4(Established, c, b), v6(Closed, "::", d, false)};
    }
};

void clearV6Only(std::vector<KernelSocket>& sockets) {
    for (KernelSocket& s : sockets)
        s.v6only = false;
}

} // namespace

TEST(KernelSocketTables, SockDiagListsTheTestsTcpSockets) {
    TcpSockets t;
    auto sockets = readSockDiag(SocketProtocol::Tcp);
    ASSERT_TRUE(sockets.has_value());
    EXPECT_EQ(withPorts(*sockets, {t.n, t.d, t.o}), withPorts(t.expected(), {t.n, t.d, t.o}));
}

TEST(KernelSocketTables, SockDiagListsTheTestsUdpSockets) {
    UdpSockets u;
    auto sockets = readSockDiag(SocketProtocol::Udp);
    ASSERT_TRUE(sockets.has_value());
    EXPECT_EQ(withPorts(*sockets, {u.b, u.c, u.d}), withPorts(u.expected(), {u.b, u.c, u.d}));
}

// /proc/net cannot tell IPV6_V6ONLY, so that flag is left out of the comparison.
TEST(KernelSocketTables, ProcNetListsTheSameSockets) {
    TcpSockets t;
    UdpSockets u;
    auto tcp = readProcNet(SocketProtocol::Tcp);
    auto udp = readProcNet(SocketProtocol::Udp);
    ASSERT_TRUE(tcp.has_value());
    ASSERT_TRUE(udp.has_value());
    auto expectedTcp = t.expected(), expectedUdp = u.expected();
    clearV6Only(*tcp);
    clearV6Only(*udp);
    clearV6Only(expectedTcp);
    clearV6Only(expectedUdp);
    EXPECT_EQ(withPorts(*tcp, {t.n, t.d, t.o}), withPorts(expectedTcp, {t.n, t.d, t.o}));
    EXPECT_EQ(withPorts(*udp, {u.b, u.c, u.d}), withPorts(expectedUdp, {u.b, u.c, u.d}));
}

TEST(KernelSocketTables, TheAgentsSourceReadsThroughNetlink) {
    TcpSockets t;
    KernelSocketTables tables;
    EXPECT_EQ(withPorts(tables.read(SocketProtocol::Tcp), {t.o}),
              (std::vector<KernelSocket>{v6(Listen, "::", t.o, true)}));
}
