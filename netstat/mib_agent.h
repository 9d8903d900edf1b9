#pragma once

#include "netstat/kernel_socket_tables.h"
#include "netstat/snmp_api.h"

#include <array>
#include <vector>

namespace vornel {

using Ipv4Address = std::array<BYTE, 4>; // network order, first octet first

// One row of tcpConnTable (RFC 1213): the state as MIB-II numbers it, ports
// as plain integers.
struct TcpConnEntry {
    AsnInteger32 state = 0;
    Ipv4Address localAddress{};
    AsnInteger32 localPort = 0;
    Ipv4Address remoteAddress{};
    AsnInteger32 remotePort = 0;
    bool operator==(const TcpConnEntry&) const = default;
};

// One row of udpTable: an unconnected UDP socket.
struct UdpEntry {
    Ipv4Address localAddress{};
    AsnInteger32 localPort = 0;
    bool operator==(const UdpEntry&) const = default;
};

// The tables hold only 4-byte addresses, so of the IPv6 sockets only those
// that carry IPv4 are listed: an IPv4-mapped address as that IPv4 address,
// the dual-stack wildcard (:: without IPV6_V6ONLY) as 0.0.0.0. Rows come
// sorted into index order, and of the sockets that would share one index
// only the first the kernel lists is kept.
std::vector<TcpConnEntry> tcpConnEntries(const std::vector<KernelSocket>& sockets);
std::vector<UdpEntry> udpEntries(const std::vector<KernelSocket>& sockets);

// The kernel's TCP state number as tcpConnState; 0 for a state MIB-II lacks.
AsnInteger32 mibTcpState(uint8_t kernelState);

// An in-process MIB-II agent over tcpConnTable (1.3.6.1.2.1.6.13.1) and
// udpTable (1.3.6.1.2.1.7.5.1), with the two entry points of an extension
// agent. It answers GetNext only.
//
// Each table is read from the kernel once per walk: a GetNext whose name
// lies at or before the start of the table's first column (the table's
// entry OID + ".1", or any name before it that no earlier table owns) takes
// a fresh snapshot of that table; every other name is answered from the
// snapshot already held: the name of the previous answer by stepping to the
// next object, any other name by binary search. A name inside a table is
// answered with the next object of that table, and past its last object
// (at once for an empty table) with a NULL value under the name that was
// sent; a column above the table's last counts as past it, column 0 as
// before its first object. A name between the two tables starts the second
// one; a name after udpTable gets NULL.
//
// IpAddress values point into the snapshot (not dynamic): they stay valid
// until the next snapshot of the same table.
class MibAgent {
public:
    explicit MibAgent(SocketTableSource& source);
    ~MibAgent();
    MibAgent(const MibAgent&) = delete;
    MibAgent& operator=(const MibAgent&) = delete;

    // Always succeeds: no trap event, first region mib-2 (1.3.6.1.2.1).
    BOOL SnmpExtensionInit(DWORD uptimeReference, HANDLE* trapEvent,
                           AsnObjectIdentifier* firstRegion);
    // False for another PDU type than GetNext, a missing list, or memory
    // running out while the name is replaced.
    BOOL SnmpExtensionQuery(BYTE pduType, SnmpVarBindList* varBinds, AsnInteger32* errorStatus,
                            AsnInteger32* errorIndex);

    class Table;

private:
    // An object of a table: a column from 1 and a row of the snapshot.
    struct Position {
        std::size_t column = 0;
        std::size_t row = 0;
    };
    struct Cursor {
        Table* table = nullptr;
        Position position;
        std::vector<UINT> name;
    };

    bool answer(SnmpVarBind& varBind);

    SocketTableSource& source_;
    std::vector<Table> tables_;
    // The last answer, which the next GetNext of a walk sends back.
    Cursor cursor_;
    std::array<UINT, 6> region_{1, 3, 6, 1, 2, 1};
    DWORD uptimeReference_ = 0;
};

} // namespace vornel
