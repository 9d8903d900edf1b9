#include "netstat/mib_agent.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

namespace vornel {

namespace {

using Address16 = std::array<uint8_t, 16>;

constexpr uint8_t KernelEstablished = 1;

bool isUnspecified(const Address16& address) {
    return std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; });
}

bool isV4Mapped(const Address16& address) {
    static constexpr uint8_t prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(address.data(), prefix, sizeof(prefix)) == 0;
}

Ipv4Address firstFour(const uint8_t* bytes) {
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

// The IPv4 form of one side of a socket, nullopt when that side is not IPv4.
// The unspecified IPv6 address stands for 0.0.0.0 only where the socket
// also takes IPv4 traffic.
std::optional<Ipv4Address> ipv4Form(const KernelSocket& socket, const Address16& address) {
    if (!socket.ipv6) return firstFour(address.data());
    if (isV4Mapped(address)) return firstFour(address.data() + 12);
    if (isUnspecified(address) && !socket.v6only) return Ipv4Address{};
    return std::nullopt;
}

template <typename Entry, typename Key> void sortUnique(std::vector<Entry>& entries, Key key) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const Entry& a, const Entry& b) { return key(a) < key(b); });
    auto last = std::unique(entries.begin(), entries.end(),
                            [&](const Entry& a, const Entry& b) { return key(a) == key(b); });
    entries.erase(last, entries.end());
}

struct MibValue {
    BYTE type = ASN_NULL;
    AsnInteger32 number = 0;
    Ipv4Address address{};
};

MibValue integer(AsnInteger32 value) {
    return {ASN_INTEGER, value, {}};
}
MibValue ipAddress(const Ipv4Address& value) {
    return {ASN_IPADDRESS, 0, value};
}

constexpr std::size_t MaxIndexLength = 10;
constexpr std::size_t MaxColumns = 5;

// A row as the agent answers it: the index sub-identifiers that follow the
// column in an object's name, and one value per column.
struct MibRow {
    std::array<UINT, MaxIndexLength> index{};
    std::array<MibValue, MaxColumns> values{};
};

void appendAddress(UINT*& out, const Ipv4Address& address) {
    for (BYTE b : address)
        *out++ = b;
}

MibRow tcpRow(const TcpConnEntry& e) {
    MibRow row;
    UINT* out = row.index.data();
    appendAddress(out, e.localAddress);
    *out++ = UINT(e.localPort);
    appendAddress(out, e.remoteAddress);
    *out++ = UINT(e.remotePort);
    row.values = {integer(e.state), ipAddress(e.localAddress), integer(e.localPort),
                  ipAddress(e.remoteAddress), integer(e.remotePort)};
    return row;
}

MibRow udpRow(const UdpEntry& e) {
    MibRow row;
    UINT* out = row.index.data();
    appendAddress(out, e.localAddress);
    *out++ = UINT(e.localPort);
    row.values[0] = ipAddress(e.localAddress);
    row.values[1] = integer(e.localPort);
    return row;
}

using Oid = std::span<const UINT>;

Oid oidOf(const AsnObjectIdentifier& name) {
    return {name.ids, name.ids ? name.idLength : 0};
}

// OID order: sub-identifier by sub-identifier, a prefix before its extensions.
int compareOids(Oid a, Oid b) {
    auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia != a.end() && ib != b.end()) return *ia < *ib ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool startsWith(Oid name, Oid prefix) {
    return name.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), name.begin());
}

} // namespace

AsnInteger32 mibTcpState(uint8_t kernelState) {
    // Indexed by the kernel's number: ESTABLISHED 1 .. NEW_SYN_RECV 12.
    static constexpr AsnInteger32 mib[] = {0, 5, 3, 4, 6, 7, 11, 1, 8, 9, 2, 10, 4};
    return kernelState < std::size(mib) ? mib[kernelState] : 0;
}

std::vector<TcpConnEntry> tcpConnEntries(const std::vector<KernelSocket>& sockets) {
    std::vector<TcpConnEntry> entries;
    entries.reserve(sockets.size());
    for (const KernelSocket& s : sockets) {
        auto local = ipv4Form(s, s.localAddress);
        auto remote = ipv4Form(s, s.remoteAddress);
        AsnInteger32 state = mibTcpState(s.state);
        if (local && remote && state != 0)
            entries.push_back({state, *local, s.localPort, *remote, s.remotePort});
    }
    sortUnique(entries, [](const TcpConnEntry& e) {
        return std::tie(e.localAddress, e.localPort, e.remoteAddress, e.remotePort);
    });
    return entries;
}

std::vector<UdpEntry> udpEntries(const std::vector<KernelSocket>& sockets) {
    std::vector<UdpEntry> entries;
    entries.reserve(sockets.size());
    for (const KernelSocket& s : sockets) {
        if (s.state == KernelEstablished || s.remotePort != 0) continue;
        if (auto local = ipv4Form(s, s.localAddress)) entries.push_back({*local, s.localPort});
    }
    sortUnique(entries, [](const UdpEntry& e) { return std::tie(e.localAddress, e.localPort); });
    return entries;
}

// One table of the agent: where it sits in the OID tree and its last snapshot.
class MibAgent::Table {
public:
    Table(std::vector<UINT> entry, std::size_t columns, std::size_t indexLength,
          std::function<std::vector<MibRow>()> read)
        : entry_(std::move(entry)), columns_(columns), indexLength_(indexLength),
          read_(std::move(read)) {
        firstColumn_ = entry_;
        firstColumn_.push_back(1);
    }

    // Names this table answers: everything up to the end of its subtree
    // (the caller has already handed earlier names to earlier tables).
    bool owns(Oid name) const { return compareOids(name, entry_) < 0 || startsWith(name, entry_); }

    // The object after name, found by binary search; nullopt past the
    // table's last object.
    std::optional<Position> next(Oid name) {
        if (!taken_ || compareOids(name, firstColumn_) <= 0) takeSnapshot();
        if (!startsWith(name, entry_) || name.size() == entry_.size() || name[entry_.size()] == 0)
            return first(1);
        const std::size_t column = name[entry_.size()];
        if (column > columns_) return std::nullopt;
        Oid index = name.subspan(entry_.size() + 1);
        auto after = std::upper_bound(rows_.begin(), rows_.end(), index,
                                      [this](Oid wanted, const MibRow& row) {
                                          return compareOids(wanted, indexOf(row)) < 0;
                                      });
        if (after != rows_.end()) return Position{column, std::size_t(after - rows_.begin())};
        return first(column + 1);
    }

    // The object after one this table answered from its current snapshot.
    std::optional<Position> after(Position p) const {
        if (p.row + 1 < rows_.size()) return Position{p.column, p.row + 1};
        return first(p.column + 1);
    }

    const MibValue& value(Position p) const { return rows_[p.row].values[p.column - 1]; }

    // Writes entry.column.index into name; false when memory runs out.
    bool writeName(AsnObjectIdentifier& name, Position p) const {
        const auto length = UINT(entry_.size() + 1 + indexLength_);
        if (name.idLength != length || !name.ids) {
            void* ids = SnmpUtilMemReAlloc(name.ids, length * UINT(sizeof(UINT)));
            if (!ids) return false;
            name.ids = static_cast<UINT*>(ids);
            name.idLength = length;
        }
        UINT* out = std::copy(entry_.begin(), entry_.end(), name.ids);
        *out++ = UINT(p.column);
        std::copy_n(rows_[p.row].index.begin(), indexLength_, out);
        return true;
    }

private:
    Oid indexOf(const MibRow& row) const { return {row.index.data(), indexLength_}; }

    std::optional<Position> first(std::size_t column) const {
        if (column > columns_ || rows_.empty()) return std::nullopt;
        return Position{column, 0};
    }

    void takeSnapshot() {
        rows_ = read_();
        taken_ = true;
    }

    std::vector<UINT> entry_;
    std::vector<UINT> firstColumn_;
    std::size_t columns_;
    std::size_t indexLength_;
    std::function<std::vector<MibRow>()> read_;
    std::vector<MibRow> rows_;
    bool taken_ = false;
};

MibAgent::MibAgent(SocketTableSource& source) : source_(source) {
    auto rowsOf = [](const auto& entries, auto toRow) {
        std::vector<MibRow> rows;
        rows.reserve(entries.size());
        for (const auto& e : entries)
            rows.push_back(toRow(e));
        return rows;
    };
    tables_.emplace_back(std::vector<UINT>{1, 3, 6, 1, 2, 1, 6, 13, 1}, 5, 10, [this, rowsOf] {
        return rowsOf(tcpConnEntries(source_.read(SocketProtocol::Tcp)), tcpRow);
    });
    tables_.emplace_back(std::vector<UINT>{1, 3, 6, 1, 2, 1, 7, 5, 1}, 2, 5, [this, rowsOf] {
        return rowsOf(udpEntries(source_.read(SocketProtocol::Udp)), udpRow);
    });
}

MibAgent::~MibAgent() = default;

BOOL MibAgent::SnmpExtensionInit(DWORD uptimeReference, HANDLE* trapEvent,
                                 AsnObjectIdentifier* firstRegion) {
    uptimeReference_ = uptimeReference;
    if (trapEvent) *trapEvent = nullptr;
    if (firstRegion) *firstRegion = {UINT(region_.size()), region_.data()};
    return true;
}

// A walk sends back the name it was given, so the object after the last
// answer is found without a search; any other name is searched for.
bool MibAgent::answer(SnmpVarBind& varBind) {
    const Oid name = oidOf(varBind.name);
    const bool followsWalk = cursor_.table && compareOids(name, cursor_.name) == 0;
    Table* table = followsWalk ? cursor_.table : nullptr;
    std::optional<Position> found;
    if (followsWalk)
        found = table->after(cursor_.position);
    else
        for (Table& t : tables_)
            if (t.owns(name)) {
                table = &t;
                found = t.next(name);
                break;
            }
    cursor_.table = nullptr;
    SnmpUtilAsnAnyFree(&varBind.value);
    if (!found) return true;
    if (!table->writeName(varBind.name, *found)) return false;
    const MibValue& value = table->value(*found);
    varBind.value.asnType = value.type;
    if (value.type == ASN_INTEGER)
        varBind.value.asnValue.number = value.number;
    else
        varBind.value.asnValue.address = {const_cast<BYTE*>(value.address.data()), 4, false};
    cursor_.table = table;
    cursor_.position = *found;
    cursor_.name.assign(varBind.name.ids, varBind.name.ids + varBind.name.idLength);
    return true;
}

BOOL MibAgent::SnmpExtensionQuery(BYTE pduType, SnmpVarBindList* varBinds,
                                  AsnInteger32* errorStatus, AsnInteger32* errorIndex) {
    if (pduType != SNMP_PDU_GETNEXT || !varBinds || (varBinds->len && !varBinds->list))
        return false;
    for (UINT i = 0; i < varBinds->len; ++i)
        if (!answer(varBinds->list[i])) return false;
    if (errorStatus) *errorStatus = SNMP_ERRORSTATUS_NOERROR;
    if (errorIndex) *errorIndex = 0;
    return true;
}

} // namespace vornel
