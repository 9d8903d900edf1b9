#include "netstat/ip_connection_list.h"
#include "netstat/mib_agent.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

using namespace vornel;

namespace {

using Name = std::vector<UINT>;

const Name TcpTable{1, 3, 6, 1, 2, 1, 6, 13, 1};
const Name UdpTable{1, 3, 6, 1, 2, 1, 7, 5, 1};

// The name of an object under a table's entry.
Name at(Name name, std::initializer_list<UINT> more) {
    name.insert(name.end(), more);
    return name;
}

constexpr uint8_t Established = 1, SynSent = 2, TimeWait = 6, Closed = 7, Listen = 10;

std::array<uint8_t, 16> address(const char* text) {
    std::array<uint8_t, 16> bytes{};
    if (inet_pton(AF_INET, text, bytes.data()) != 1) inet_pton(AF_INET6, text, bytes.data());
    return bytes;
}

KernelSocket v4(uint8_t state, const char* local, uint16_t lport, const char* remote = "0.0.0.0",
                uint16_t rport = 0) {
    return {false, state, address(local), lport, address(remote), rport, false};
}

KernelSocket v6(uint8_t state, const char* local, uint16_t lport,
                const char* remote = "::", uint16_t rport = 0, bool v6only = false) {
    return {true, state, address(local), lport, address(remote), rport, v6only};
}

Ipv4Address ip(BYTE a, BYTE b, BYTE c, BYTE d) {
    return {a, b, c, d};
}

// A kernel whose tables the test writes; it counts the agent's readings.
struct FakeKernel : SocketTableSource {
    std::vector<KernelSocket> tcp, udp;
    int tcpReads = 0, udpReads = 0;
    std::vector<KernelSocket> read(SocketProtocol protocol) override {
        if (protocol == SocketProtocol::Tcp) return ++tcpReads, tcp;
        return ++udpReads, udp;
    }
};

struct Answer {
    Name name;
    BYTE type = 0;
    AsnInteger32 number = 0;
    std::vector<BYTE> bytes;
};

// One GetNext with a varbind set up by the binding's rules.
Answer getNext(MibAgent& agent, const Name& name) {
    SnmpVarBind varBind{};
    AsnObjectIdentifier sent{UINT(name.size()), const_cast<UINT*>(name.data())};
    SnmpUtilOidCpy(&varBind.name, &sent);
    SnmpVarBindList list{&varBind, 1};
    AsnInteger32 status = -1, index = -1;
    EXPECT_TRUE(agent.SnmpExtensionQuery(SNMP_PDU_GETNEXT, &list, &status, &index));
    EXPECT_EQ(status, SNMP_ERRORSTATUS_NOERROR);
    Answer a{Name(varBind.name.ids, varBind.name.ids + varBind.name.idLength),
             varBind.value.asnType,
             0,
             {}};
    if (a.type == ASN_INTEGER) a.number = varBind.value.asnValue.number;
    if (a.type == ASN_IPADDRESS) {
        const AsnOctetString& s = varBind.value.asnValue.address;
        a.bytes.assign(s.stream, s.stream + s.length);
        EXPECT_FALSE(s.dynamic);
    }
    SnmpUtilVarBindFree(&varBind);
    return a;
}

// Every answer of a walk from name to the first NULL, as the names returned.
std::vector<Answer> walk(MibAgent& agent, Name name) {
    std::vector<Answer> answers;
    for (int guard = 0; guard < 1000; ++guard) {
        Answer a = getNext(agent, name);
        answers.push_back(a);
        if (a.type == ASN_NULL) break;
        name = a.name;
    }
    return answers;
}

class Agent : public ::testing::Test {
protected:
    FakeKernel kernel;
    MibAgent agent{kernel};
};

} // namespace

TEST(TcpConnEntries, StatesAsMibTwoNumbersThem) {
    const std::pair<uint8_t, AsnInteger32> states[] = {{1, 5}, {2, 3},  {3, 4},   {4, 6},
                                                       {5, 7}, {6, 11}, {7, 1},   {8, 8},
                                                       {9, 9}, {10, 2}, {11, 10}, {12, 4}};
    for (auto [kernelState, mib] : states)
        EXPECT_EQ(mibTcpState(kernelState), mib) << int(kernelState);
    EXPECT_EQ(mibTcpState(0), 0);
    EXPECT_EQ(mibTcpState(13), 0);
    // A state MIB-II has no number for is not listed.
    EXPECT_TRUE(tcpConnEntries({v4(13, "127.0.0.1", 80)}).empty());
}

TEST(TcpConnEntries, IpvSixSocketsThatCarryIpvFour) {
    auto entries = tcpConnEntries({
        v6(Listen, "::", 8080),                                               // dual-stack wildcard
        v6(Listen, "::", 8081, "::", 0, true),                                // V6ONLY: no IPv4
        v6(Established, "::ffff:127.0.0.1", 8080, "::ffff:127.0.0.1", 50000), // v4-mapped
        v6(Listen, "::1", 8082),                                              // IPv6 only
        v6(Established, "2001:db8::1", 443, "2001:db8::2", 5000),
    });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (TcpConnEntry{2, ip(0, 0, 0, 0), 8080, ip(0, 0, 0, 0), 0}));
    EXPECT_EQ(entries[1], (TcpConnEntry{5, ip(127, 0, 0, 1), 8080, ip(127, 0, 0, 1), 50000}));
}

TEST(TcpConnEntries, SortedIntoIndexOrderWithOneRowPerIndex) {
    auto entries = tcpConnEntries({
        v4(Established, "127.0.0.1", 80, "127.0.0.1", 40000),
        v4(Listen, "127.0.0.1", 80),
        v4(Listen, "0.0.0.0", 80),
        v4(Established, "10.0.0.1", 22, "10.0.0.9", 50000),
        v4(Established, "127.0.0.1", 80, "127.0.0.1", 39999),
        // The same index again, from the IPv6 side: the first listed stays.
        v6(SynSent, "::ffff:127.0.0.1", 80, "::ffff:127.0.0.1", 40000),
        v6(Listen, "::", 80),
    });
    std::vector<TcpConnEntry> expected{
        {2, ip(0, 0, 0, 0), 80, ip(0, 0, 0, 0), 0},
        {5, ip(10, 0, 0, 1), 22, ip(10, 0, 0, 9), 50000},
        {2, ip(127, 0, 0, 1), 80, ip(0, 0, 0, 0), 0},
        {5, ip(127, 0, 0, 1), 80, ip(127, 0, 0, 1), 39999},
        {5, ip(127, 0, 0, 1), 80, ip(127, 0, 0, 1), 40000},
    };
    EXPECT_EQ(entries, expected);
}

TEST(UdpEntries, UnconnectedSocketsOnly) {
    auto entries = udpEntries({
        v4(Closed, "127.0.0.1", 53),
        v4(Established, "127.0.0.1", 5353, "127.0.0.1", 9), // connected
        v6(Closed, "::", 123),                              // dual-stack
        v6(Closed, "::", 124, "::", 0, true),               // V6ONLY
        v6(Closed, "::ffff:10.1.2.3", 161),
        v4(Closed, "0.0.0.0", 123), // the same index as the dual-stack one
    });
    std::vector<UdpEntry> expected{
        {ip(0, 0, 0, 0), 123}, {ip(10, 1, 2, 3), 161}, {ip(127, 0, 0, 1), 53}};
    EXPECT_EQ(entries, expected);
}

TEST_F(Agent, InitReportsMibTwoAndNoTrapEvent) {
    HANDLE trap = &kernel;
    AsnObjectIdentifier region{};
    EXPECT_TRUE(agent.SnmpExtensionInit(1000, &trap, &region));
    EXPECT_EQ(trap, nullptr);
    EXPECT_EQ(Name(region.ids, region.ids + region.idLength), (Name{1, 3, 6, 1, 2, 1}));
}

TEST_F(Agent, WalksTcpConnTableColumnByColumnThenEndsWithNull) {
    kernel.tcp = {v4(Established, "127.0.0.1", 80, "127.0.0.1", 40000), v4(Listen, "0.0.0.0", 22)};
    const Name row1{0, 0, 0, 0, 22, 0, 0, 0, 0, 0}, row2{127, 0, 0, 1, 80, 127, 0, 0, 1, 40000};
    auto answers = walk(agent, at(TcpTable, {1}));
    ASSERT_EQ(answers.size(), 11u);
    for (UINT column = 1; column <= 5; ++column) {
        Name prefix = at(TcpTable, {column});
        Name first = prefix, second = prefix;
        first.insert(first.end(), row1.begin(), row1.end());
        second.insert(second.end(), row2.begin(), row2.end());
        EXPECT_EQ(answers[2 * (column - 1)].name, first) << column;
        EXPECT_EQ(answers[2 * (column - 1) + 1].name, second) << column;
    }
    EXPECT_EQ(answers[0].type, ASN_INTEGER);
    EXPECT_EQ(answers[0].number, 2);
    EXPECT_EQ(answers[1].number, 5);
    EXPECT_EQ(answers[2].type, ASN_IPADDRESS);
    EXPECT_EQ(answers[3].bytes, (std::vector<BYTE>{127, 0, 0, 1}));
    EXPECT_EQ(answers[4].type, ASN_INTEGER);
    EXPECT_EQ(answers[5].number, 80);
    EXPECT_EQ(answers[6].bytes, (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(answers[9].number, 40000);
    // Past the last object: NULL, under the name that was sent.
    EXPECT_EQ(answers[10].type, ASN_NULL);
    EXPECT_EQ(answers[10].name, answers[9].name);
    EXPECT_EQ(kernel.tcpReads, 1);
    EXPECT_EQ(kernel.udpReads, 0);
}

TEST_F(Agent, WalksUdpTable) {
    kernel.udp = {v4(Closed, "127.0.0.1", 53), v4(Closed, "0.0.0.0", 68)};
    auto answers = walk(agent, at(UdpTable, {1}));
    ASSERT_EQ(answers.size(), 5u);
    EXPECT_EQ(answers[0].name, (at(UdpTable, {1, 0, 0, 0, 0, 68})));
    EXPECT_EQ(answers[1].bytes, (std::vector<BYTE>{127, 0, 0, 1}));
    EXPECT_EQ(answers[2].name, (at(UdpTable, {2, 0, 0, 0, 0, 68})));
    EXPECT_EQ(answers[3].number, 53);
    EXPECT_EQ(answers[4].type, ASN_NULL);
    EXPECT_EQ(kernel.udpReads, 1);
    EXPECT_EQ(kernel.tcpReads, 0);
}

TEST_F(Agent, EmptyTablesAnswerNullAtOnce) {
    EXPECT_EQ(getNext(agent, at(TcpTable, {1})).type, ASN_NULL);
    EXPECT_EQ(getNext(agent, at(UdpTable, {1})).type, ASN_NULL);
    // Also when the other table has rows: a walk never runs into the next table.
    kernel.udp = {v4(Closed, "127.0.0.1", 53)};
    EXPECT_EQ(getNext(agent, at(TcpTable, {1})).type, ASN_NULL);
}

TEST_F(Agent, AnyNameFindsItsSuccessor) {
    kernel.tcp = {v4(Listen, "127.0.0.1", 80), v4(Listen, "127.0.0.1", 443),
                  v4(Listen, "10.0.0.1", 25)};
    kernel.udp = {v4(Closed, "127.0.0.1", 53)};
    const Name first = at(TcpTable, {1, 10, 0, 0, 1, 25, 0, 0, 0, 0, 0});
    EXPECT_EQ(getNext(agent, {1, 3, 6, 1}).name, first);
    EXPECT_EQ(getNext(agent, {}).name, first);
    EXPECT_EQ(getNext(agent, TcpTable).name, first);
    EXPECT_EQ(getNext(agent, at(TcpTable, {0, 999})).name, first);
    // A partial index sorts before every index it begins.
    EXPECT_EQ(getNext(agent, at(TcpTable, {3, 127})).name,
              at(TcpTable, {3, 127, 0, 0, 1, 80, 0, 0, 0, 0, 0}));
    EXPECT_EQ(getNext(agent, at(TcpTable, {3, 127, 0, 0, 1, 80})).name,
              at(TcpTable, {3, 127, 0, 0, 1, 80, 0, 0, 0, 0, 0}));
    EXPECT_EQ(getNext(agent, at(TcpTable, {3, 127, 0, 0, 1, 80, 0, 0, 0, 0, 0})).name,
              at(TcpTable, {3, 127, 0, 0, 1, 443, 0, 0, 0, 0, 0}));
    // Sub-identifiers beyond any address byte: on to the next column.
    EXPECT_EQ(getNext(agent, at(TcpTable, {2, 300})).name,
              at(TcpTable, {3, 10, 0, 0, 1, 25, 0, 0, 0, 0, 0}));
    // Past the last column, and beyond everything the agent serves.
    EXPECT_EQ(getNext(agent, at(TcpTable, {6})).type, ASN_NULL);
    EXPECT_EQ(getNext(agent, {1, 3, 6, 1, 2, 1, 7, 6}).type, ASN_NULL);
    EXPECT_EQ(getNext(agent, {2}).type, ASN_NULL);
    // Between the tables: the first object of udpTable.
    Answer between = getNext(agent, {1, 3, 6, 1, 2, 1, 6, 14});
    EXPECT_EQ(between.name, at(UdpTable, {1, 127, 0, 0, 1, 53}));
    EXPECT_EQ(between.type, ASN_IPADDRESS);
}

TEST_F(Agent, OneSnapshotPerWalk) {
    kernel.tcp = {v4(Listen, "127.0.0.1", 80), v4(Listen, "127.0.0.1", 81)};
    const Name start = at(TcpTable, {1});
    Answer a = getNext(agent, start);
    // The kernel changes mid-walk: the walk goes on over what it started with.
    kernel.tcp = {v4(Listen, "127.0.0.1", 79)};
    a = getNext(agent, a.name);
    EXPECT_EQ(a.name.back(), 0u);
    EXPECT_EQ(a.name[a.name.size() - 6], 81u);
    auto rest = walk(agent, a.name);
    EXPECT_EQ(rest.size(), 9u);
    EXPECT_EQ(kernel.tcpReads, 1);
    // A walk that starts again sees the kernel as it is now.
    auto again = walk(agent, start);
    EXPECT_EQ(again.size(), 6u);
    EXPECT_EQ(kernel.tcpReads, 2);
    EXPECT_EQ(again[2].number, 79);
}

TEST_F(Agent, InterleavedWalksGetTheAnswersOfSeparateOnes) {
    kernel.tcp = {v4(Listen, "127.0.0.1", 80), v4(Listen, "127.0.0.1", 81)};
    kernel.udp = {v4(Closed, "127.0.0.1", 53), v4(Closed, "127.0.0.1", 54)};
    auto alone = [](const std::vector<Answer>& answers) {
        std::vector<Name> names;
        for (const Answer& a : answers)
            names.push_back(a.name);
        return names;
    };
    const auto tcp = alone(walk(agent, at(TcpTable, {1})));
    const auto udp = alone(walk(agent, at(UdpTable, {1})));
    std::vector<Name> tcpNames{getNext(agent, at(TcpTable, {1})).name};
    std::vector<Name> udpNames{getNext(agent, at(UdpTable, {1})).name};
    for (int step = 0; step < 10; ++step) {
        tcpNames.push_back(getNext(agent, tcpNames.back()).name);
        if (step < 4) udpNames.push_back(getNext(agent, udpNames.back()).name);
    }
    EXPECT_EQ(tcpNames, tcp);
    EXPECT_EQ(udpNames, udp);
}

TEST_F(Agent, MidWalkNameWithoutSnapshotReadsTheKernelOnce) {
    kernel.tcp = {v4(Listen, "127.0.0.1", 80)};
    EXPECT_EQ(getNext(agent, at(TcpTable, {2, 1})).type, ASN_IPADDRESS);
    EXPECT_EQ(getNext(agent, at(TcpTable, {3, 1})).type, ASN_INTEGER);
    EXPECT_EQ(kernel.tcpReads, 1);
}

TEST_F(Agent, RefusesWhatIsNotAGetNext) {
    SnmpVarBind varBind{};
    SnmpVarBindList list{&varBind, 1};
    AsnInteger32 status = 0, index = 0;
    EXPECT_FALSE(agent.SnmpExtensionQuery(SNMP_PDU_GET, &list, &status, &index));
    EXPECT_FALSE(agent.SnmpExtensionQuery(SNMP_PDU_GETNEXT, nullptr, &status, &index));
    SnmpVarBindList broken{nullptr, 1};
    EXPECT_FALSE(agent.SnmpExtensionQuery(SNMP_PDU_GETNEXT, &broken, &status, &index));
}

TEST_F(Agent, AnswersEveryVarbindOfAList) {
    kernel.tcp = {v4(Listen, "127.0.0.1", 80)};
    kernel.udp = {v4(Closed, "127.0.0.1", 53)};
    SnmpVarBind varBinds[2]{};
    Name tcp = at(TcpTable, {3}), udp = at(UdpTable, {2});
    AsnObjectIdentifier t{UINT(tcp.size()), tcp.data()}, u{UINT(udp.size()), udp.data()};
    SnmpUtilOidCpy(&varBinds[0].name, &t);
    SnmpUtilOidCpy(&varBinds[1].name, &u);
    SnmpVarBindList list{varBinds, 2};
    AsnInteger32 status = -1, index = -1;
    ASSERT_TRUE(agent.SnmpExtensionQuery(SNMP_PDU_GETNEXT, &list, &status, &index));
    EXPECT_EQ(varBinds[0].value.asnValue.number, 80);
    EXPECT_EQ(varBinds[1].value.asnValue.number, 53);
    SnmpUtilVarBindFree(&varBinds[0]);
    SnmpUtilVarBindFree(&varBinds[1]);
}

namespace {

// The connection list over this agent, so that the list's walks meet the
// agent's answers.
struct AgentOverFakeKernel : ConnListPlatform {
    struct Module : AgentModule {
        explicit Module(FakeKernel& kernel, int& queries) : agent(kernel), queries(queries) {}
        SnmpExtensionInitProc initEntry() override {
            return [this](DWORD u, HANDLE* t, AsnObjectIdentifier* r) {
                return agent.SnmpExtensionInit(u, t, r);
            };
        }
        SnmpExtensionQueryProc queryEntry() override {
            return [this](BYTE p, SnmpVarBindList* l, AsnInteger32* s, AsnInteger32* i) {
                ++queries;
                return agent.SnmpExtensionQuery(p, l, s, i);
            };
        }
        MibAgent agent;
        int& queries;
    };
    AgentOverFakeKernel(FakeKernel& kernel, int& queries) : kernel(kernel), queries(queries) {}
    bool startSockets(uint16_t) override { return true; }
    void cleanupSockets() override {}
    std::unique_ptr<AgentModule> loadAgent(const std::string&) override {
        return std::make_unique<Module>(kernel, queries);
    }
    uint32_t tickCount() override { return 0; }
    FakeKernel& kernel;
    int& queries;
};

} // namespace

TEST(AgentAndList, RowsInAgentOrderWithOneQueryPerCellPlusOnePerTable) {
    FakeKernel kernel;
    kernel.tcp = {v4(Established, "127.0.0.1", 80, "127.0.0.1", 40000), v4(Listen, "0.0.0.0", 22),
                  v4(TimeWait, "127.0.0.1", 80, "127.0.0.1", 39000)};
    kernel.udp = {v4(Closed, "127.0.0.1", 53)};
    int queries = 0;
    TQuelmarIpConnectionList list(nullptr, std::make_unique<AgentOverFakeKernel>(kernel, queries));
    list.Refresh();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(queries, (1 + 5 * 3) + (1 + 2 * 1));
    EXPECT_EQ(list.Items(0).LocalPort(), 22);
    EXPECT_EQ(list.Items(0).StateText(), "LISTEN");
    EXPECT_EQ(list.Items(1).RemotePort(), 39000);
    EXPECT_EQ(list.Items(1).StateText(), "TIME_WAIT");
    EXPECT_EQ(list.Items(2).RemoteAddress(), (IpAddressBytes{127, 0, 0, 1}));
    EXPECT_EQ(list.Items(2).StateText(), "ESTABLISHED");
    EXPECT_EQ(list.Items(3).Protocol(), "UDP");
    EXPECT_EQ(list.Items(3).LocalPort(), 53);
    EXPECT_EQ(kernel.tcpReads, 1);
    EXPECT_EQ(kernel.udpReads, 1);
}
