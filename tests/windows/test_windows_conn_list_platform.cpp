// The connection list over the system's own agent library, inetmib1.dll,
// with memory handed back and forth through snmpapi.dll.
#include "netstat/conn_list_platform.h"
#include "netstat/ip_connection_list.h"
#include "windows_test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <winsock2.h>

using namespace vornel;

namespace {

// Wine's inetmib1.dll answers no rows for tcpConnTable; real Windows does.
bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// A socket of the given type bound to 127.0.0.1 on a port the system picks.
class BoundSocket {
public:
    explicit BoundSocket(int type) {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = ::socket(AF_INET, type, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        if (type == SOCK_STREAM) ::listen(socket_, 1);
        int size = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~BoundSocket() {
        closesocket(socket_);
        WSACleanup();
    }
    int port() const { return port_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

bool listed(const TQuelmarIpConnectionList& list, const char* protocol, int port) {
    for (int32_t k = 0; k < list.Count(); ++k) {
        const TIpConnInfo& row = list.Items(k);
        if (row.Protocol() == protocol && row.LocalPort() == port &&
            row.LocalAddress() == IpAddressBytes{127, 0, 0, 1})
            return true;
    }
    return false;
}

} // namespace

TEST(WindowsConnListPlatform, TheAgentLibraryLoadsAndTheTickCountRuns) {
    auto platform = makeConnListPlatform();
    ASSERT_TRUE(platform->startSockets(0x0101));
    platform->cleanupSockets();
    auto agent = platform->loadAgent("inetmib1.dll");
    ASSERT_NE(agent, nullptr);
    EXPECT_TRUE(agent->initEntry());
    EXPECT_TRUE(agent->queryEntry());
    EXPECT_EQ(platform->loadAgent("no-such-agent.dll"), nullptr);

    const uint32_t before = platform->tickCount();
    Sleep(50);
    const uint32_t elapsed = platform->tickCount() - before;
    EXPECT_GE(elapsed, 30u) << "the tick count moves in steps of about 16 ms";
    EXPECT_LT(elapsed, 5000u);
}

// One request to the real agent: the name we allocated is replaced by the
// agent, which frees ours and allocates its own through snmpapi.dll, and the
// answer is read through our structures, which must have the system's layout.
TEST(WindowsConnListPlatform, TheSystemAgentAnswersThroughOurStructures) {
    BoundSocket udp(SOCK_DGRAM);
    auto platform = makeConnListPlatform();
    ASSERT_TRUE(platform->startSockets(0x0101));
    auto agent = platform->loadAgent("inetmib1.dll");
    ASSERT_NE(agent, nullptr);
    HANDLE trapEvent = nullptr;
    AsnObjectIdentifier region{};
    ASSERT_TRUE(agent->initEntry()(platform->tickCount(), &trapEvent, &region));

    UINT udpLocalAddress[] = {1, 3, 6, 1, 2, 1, 7, 5, 1, 1};
    AsnObjectIdentifier start{10, udpLocalAddress};
    for (int k = 0; k < 100; ++k) {
        SnmpVarBind varBind{};
        ASSERT_TRUE(SnmpUtilOidCpy(&varBind.name, &start));
        SnmpVarBindList list{&varBind, 1};
        AsnInteger32 status = 0, index = 0;
        ASSERT_TRUE(agent->queryEntry()(SNMP_PDU_GETNEXT, &list, &status, &index));
        EXPECT_EQ(status, SNMP_ERRORSTATUS_NOERROR);
        // The first row of udpTable: its name is the column's and the row's
        // index (an address and a port), its value an address.
        ASSERT_EQ(varBind.name.idLength, 15u);
        EXPECT_TRUE(std::equal(udpLocalAddress, udpLocalAddress + 10, varBind.name.ids));
        EXPECT_EQ(varBind.value.asnType, ASN_IPADDRESS);
        ASSERT_EQ(varBind.value.asnValue.address.length, 4u);
        EXPECT_TRUE(std::equal(varBind.value.asnValue.address.stream,
                               varBind.value.asnValue.address.stream + 4, varBind.name.ids + 10));
        SnmpUtilVarBindFree(&varBind);
    }
    platform->cleanupSockets();
}

// Wine's inetmib1.dll answers no rows for tcpConnTable and does not walk on
// past the first row of udpTable (it answers "no such name" and leaves the
// value as it was), so the whole walk is for real Windows only.
TEST(WindowsConnListPlatform, TheWalkListsABoundUdpSocketAndRepeats) {
    if (underWine()) GTEST_SKIP() << "Wine's inetmib1.dll cannot be walked";
    BoundSocket udp(SOCK_DGRAM);
    BoundSocket tcp(SOCK_STREAM);
    TQuelmarIpConnectionList list(nullptr);
    list.setProtocols({TIpProtocol::udp_ip, TIpProtocol::tcp_ip});
    // Several walks: every name the agent replaces goes back to its allocator.
    for (int k = 0; k < 3; ++k) {
        ASSERT_NO_THROW(list.Refresh());
        EXPECT_TRUE(listed(list, "UDP", udp.port())) << "walk " << k;
        EXPECT_TRUE(listed(list, "TCP", tcp.port())) << "walk " << k;
    }
}
