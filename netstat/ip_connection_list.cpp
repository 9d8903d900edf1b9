#include "netstat/ip_connection_list.h"

#include "common/program_language.h"
#include "common/text.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace vornel {

namespace {

constexpr const char* StateNames[12] = {"CLOSED",      "LISTEN",     "SYN_SENT",   "SYN_RECEIVED",
                                        "ESTABLISHED", "FIN_WAIT_1", "FIN_WAIT_2", "CLOSE_WAIT",
                                        "LAST_ACK",    "CLOSING",    "TIME_WAIT",  "TCB_DISCARD"};

// tcpConnTable entry, column tcpConnState; udpTable entry, column udpLocalAddress.
constexpr std::array<UINT, 10> TcpStart{1, 3, 6, 1, 2, 1, 6, 13, 1, 1};
constexpr std::array<UINT, 10> UdpStart{1, 3, 6, 1, 2, 1, 7, 5, 1, 1};
// A row's key, after its column's name: local address and port, then for TCP
// the remote address and port.
constexpr std::size_t TcpKeyLength = 10;
constexpr std::size_t UdpKeyLength = 5;

constexpr uint16_t SocketsVersion = 0x0101;
const char* const AgentLibraryName = "inetmib1.dll";

// Copies the address bytes out of the value; an agent that sends fewer than
// four leaves the rest 0 rather than having bytes read past its string.
void copyAddress(IpAddressBytes& to, const AsnAny& value) {
    to = {};
    const AsnOctetString& s = value.asnValue.address;
    if (s.stream) std::memcpy(to.data(), s.stream, std::min<std::size_t>(s.length, to.size()));
}

} // namespace

TIpConnInfo::TIpConnInfo(std::string_view protocol)
    : protocol_(cutUtf8(protocol, MaxProtocolLength)) {}

std::string TIpConnInfo::StateText() const {
    if (state_ >= 1 && state_ <= 12) return StateNames[state_ - 1];
    return "UNKNOWN";
}

// The one varbind that a whole walk sends back and forth.
class TQuelmarIpConnectionList::Walk {
public:
    explicit Walk(const std::array<UINT, 10>& start) {
        AsnObjectIdentifier name{UINT(start.size()), const_cast<UINT*>(start.data())};
        if (!SnmpUtilOidCpy(&varBind_.name, &name)) throw std::bad_alloc();
        varBind_.value.asnType = 0;
    }
    ~Walk() { SnmpUtilVarBindFree(&varBind_); }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    SnmpVarBindList* list() { return &list_; }
    BYTE type() const { return varBind_.value.asnType; }
    const AsnAny& value() const { return varBind_.value; }

    // The row key that the name of the value carries after its column.
    std::span<const UINT> key() const {
        const AsnObjectIdentifier& n = varBind_.name;
        if (n.idLength <= TcpStart.size()) return {};
        return {n.ids + TcpStart.size(), n.ids + n.idLength};
    }

    // The name the next query sends, kept to see that the agent moved on.
    void rememberName() {
        sent_.assign(varBind_.name.ids, varBind_.name.ids + varBind_.name.idLength);
    }
    bool movedOn() const {
        return std::lexicographical_compare(sent_.begin(), sent_.end(), varBind_.name.ids,
                                            varBind_.name.ids + varBind_.name.idLength);
    }

    // A NULL value between two columns: the agent ended the table early.
    void expectMore() const {
        if (type() == ASN_NULL)
            throw EConnListRefreshError(
                programText("ConnectionList", "Fin inattendue des résultats de la requête.")
                    .toStdString());
    }

private:
    SnmpVarBind varBind_{};
    SnmpVarBindList list_{&varBind_, 1};
    std::vector<UINT> sent_;
};

TQuelmarIpConnectionList::SocketLibrary::~SocketLibrary() {
    if (started) platform->cleanupSockets();
}

TQuelmarIpConnectionList::TQuelmarIpConnectionList(QObject* owner,
                                                   std::unique_ptr<ConnListPlatform> platform)
    : QObject(owner), platform_(std::move(platform)) {
    sockets_.platform = platform_.get();
    sockets_.started = platform_->startSockets(SocketsVersion);
    if (!sockets_.started)
        throw EConnListError(
            programText("ConnectionList",
                        "La bibliothèque Windows Sockets n'a pas pu être initialisée.")
                .toStdString());
    agent_ = platform_->loadAgent(AgentLibraryName);
    if (!agent_)
        throw EConnListError(
            programText("ConnectionList",
                        "La bibliothèque de l'agent d'extension SNMP est introuvable.")
                .toStdString());
    init_ = agent_->initEntry();
    query_ = agent_->queryEntry();
    if (!init_ || !query_)
        throw EConnListError(
            programText("ConnectionList",
                        "La bibliothèque de l'agent d'extension SNMP est introuvable.")
                .toStdString());
    if (!init_(platform_->tickCount(), &trapEvent_, &firstRegion_))
        throw EConnListError(
            programText("ConnectionList", "L'agent d'extension SNMP n'a pas pu être initialisé.")
                .toStdString());
    try {
        lock_ = std::make_unique<std::recursive_timed_mutex>();
    } catch (const std::exception&) {
        throw EConnListError(
            programText("ConnectionList", "Les ressources nécessaires n'ont pas pu être allouées")
                .toStdString());
    }
}

TQuelmarIpConnectionList::~TQuelmarIpConnectionList() {
    Clear();
}

void TQuelmarIpConnectionList::Lock() {
    if (!lock_ || !lock_->try_lock_for(LockWait))
        throw EConnListLockError(
            programText("ConnectionList", "La liste des connexions n'a pas pu être verrouillée")
                .toStdString());
    lockOwner_ = std::this_thread::get_id();
    ++lockDepth_;
}

// Releasing a mutex the thread does not hold is refused, as the system's
// mutexes refuse it, instead of being undefined.
void TQuelmarIpConnectionList::Unlock() {
    if (!lock_ || lockOwner_ != std::this_thread::get_id() || lockDepth_ == 0)
        throw EConnListUnlockError(
            programText("ConnectionList", "La liste des connexions n'a pas pu être déverrouillée")
                .toStdString());
    if (--lockDepth_ == 0) lockOwner_ = std::thread::id();
    lock_->unlock();
}

void TQuelmarIpConnectionList::DoStatusChange() {
    if (OnStatusChange) OnStatusChange(this);
}

void TQuelmarIpConnectionList::SetBusy(bool value) {
    if (value == busy_) return;
    busy_ = value;
    DoStatusChange();
}

const TIpConnInfo& TQuelmarIpConnectionList::Items(int32_t index) const {
    if (index < 0 || index >= Count())
        throw EListError(programText("ConnectionList", "Indice de liste hors limites (%1)")
                             .arg(index)
                             .toStdString());
    return rows_[std::size_t(index)];
}

TIpConnInfo& TQuelmarIpConnectionList::row(int32_t index) {
    return const_cast<TIpConnInfo&>(Items(index));
}

void TQuelmarIpConnectionList::Clear() {
    rows_.clear();
}

void TQuelmarIpConnectionList::Refresh() {
    Lock();
    try {
        if (busy_)
            throw EConnListError(
                programText("ConnectionList",
                            "L'opération demandée n'est pas possible dans l'état actuel.")
                    .toStdString());
        SetBusy(true);
        Clear();
        if (protocols_.contains(TIpProtocol::tcp_ip)) walkTcp();
        if (protocols_.contains(TIpProtocol::udp_ip)) walkUdp();
    } catch (...) {
        leaveRefresh();
        throw;
    }
    leaveRefresh();
}

// Busy goes back to false even when the lock cannot be released.
void TQuelmarIpConnectionList::leaveRefresh() {
    try {
        Unlock();
    } catch (...) {
        SetBusy(false);
        throw;
    }
    SetBusy(false);
}

// An agent that answers with a value without moving past the name it was
// sent (Wine's does so at the end of a table) would keep a walk going for
// ever, one more row each time: such an answer ends the refresh as a failed
// query does. A NULL value under the same name is the usual end of the MIB.
void TQuelmarIpConnectionList::GetNext(Walk& walk) {
    AsnInteger32 errorStatus = 0, errorIndex = 0;
    walk.rememberName();
    if (!query_(SNMP_PDU_GETNEXT, walk.list(), &errorStatus, &errorIndex))
        throw EConnListRefreshError(
            programText("ConnectionList", "La requête SNMP a échoué.").toStdString());
    if (walk.type() != ASN_NULL && !walk.movedOn())
        throw EConnListRefreshError(
            programText("ConnectionList", "L'agent SNMP n'a pas dépassé le dernier objet.")
                .toStdString());
}

// The rows one walk made from its first column, by the key of each. The
// table may change between two columns (each value is a query of its own):
// a later column's value goes to the row of its key, and one whose row came
// too late for the first column is left out. An agent whose names carry no
// key of the table's length is read by position: the k-th value of a
// column to the k-th row. Of two rows under one key, the later has it.
//
// The keys are kept flat and sorted once, after the first column; an agent
// walks in key order, so they usually come sorted already.
struct TQuelmarIpConnectionList::WalkRows {
    struct Keyed {
        std::array<UINT, TcpKeyLength> key{};
        int32_t row = 0;
    };

    int32_t start = 0;
    std::size_t keyLength = 0;
    std::vector<Keyed> byKey;

    void add(const Walk& walk, int32_t index) {
        const std::span<const UINT> key = walk.key();
        if (key.size() != keyLength) return;
        Keyed& k = byKey.emplace_back();
        std::copy(key.begin(), key.end(), k.key.begin());
        k.row = index;
    }
    void sortKeys() {
        auto before = [](const Keyed& a, const Keyed& b) { return a.key < b.key; };
        if (!std::is_sorted(byKey.begin(), byKey.end(), before))
            std::stable_sort(byKey.begin(), byKey.end(), before);
    }
    // The row of the value, or -1 for none.
    int32_t rowOf(const Walk& walk, int32_t k) const {
        const std::span<const UINT> key = walk.key();
        if (key.size() != keyLength) return start + k;
        // Unused places of a key are 0 in both.
        std::array<UINT, TcpKeyLength> wanted{};
        std::copy(key.begin(), key.end(), wanted.begin());
        // A table unchanged since the first column has its k-th value there,
        // unless a later row has the same key.
        const auto at = std::size_t(k);
        if (at < byKey.size() && byKey[at].key == wanted &&
            (at + 1 == byKey.size() || byKey[at + 1].key != wanted))
            return byKey[at].row;
        auto after = std::upper_bound(byKey.begin(), byKey.end(), wanted,
                                      [](const auto& w, const Keyed& e) { return w < e.key; });
        if (after == byKey.begin() || std::prev(after)->key != wanted) return -1;
        return std::prev(after)->row;
    }
};

template <typename Set>
void TQuelmarIpConnectionList::readColumn(Walk& walk, const WalkRows& rows, BYTE type, Set set) {
    for (int32_t k = 0; walk.type() == type; ++k) {
        if (const int32_t r = rows.rowOf(walk, k); r >= 0) set(row(r), walk.value());
        GetNext(walk);
    }
}

void TQuelmarIpConnectionList::walkTcp() {
    Walk walk(TcpStart);
    WalkRows rows{Count(), TcpKeyLength, {}};
    GetNext(walk);
    if (walk.type() == ASN_NULL) return;
    while (walk.type() == ASN_INTEGER) {
        rows.add(walk, Count());
        rows_.emplace_back("TCP").state_ = walk.value().asnValue.number;
        GetNext(walk);
    }
    rows.sortKeys();
    walk.expectMore();
    readColumn(walk, rows, ASN_IPADDRESS,
               [](TIpConnInfo& r, const AsnAny& v) { copyAddress(r.localAddress_, v); });
    walk.expectMore();
    readColumn(walk, rows, ASN_INTEGER,
               [](TIpConnInfo& r, const AsnAny& v) { r.localPort_ = v.asnValue.number; });
    walk.expectMore();
    readColumn(walk, rows, ASN_IPADDRESS,
               [](TIpConnInfo& r, const AsnAny& v) { copyAddress(r.remoteAddress_, v); });
    walk.expectMore();
    readColumn(walk, rows, ASN_INTEGER,
               [](TIpConnInfo& r, const AsnAny& v) { r.remotePort_ = v.asnValue.number; });
}

void TQuelmarIpConnectionList::walkUdp() {
    Walk walk(UdpStart);
    WalkRows rows{Count(), UdpKeyLength, {}};
    GetNext(walk);
    if (walk.type() == ASN_NULL) return;
    while (walk.type() == ASN_IPADDRESS) {
        rows.add(walk, Count());
        copyAddress(rows_.emplace_back("UDP").localAddress_, walk.value());
        GetNext(walk);
    }
    rows.sortKeys();
    walk.expectMore();
    readColumn(walk, rows, ASN_INTEGER,
               [](TIpConnInfo& r, const AsnAny& v) { r.localPort_ = v.asnValue.number; });
}

} // namespace vornel
