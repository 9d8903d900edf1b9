#pragma once

#include "netstat/conn_list_platform.h"
#include "netstat/snmp_api.h"

#include <QObject>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vornel {

enum class TIpProtocol : uint8_t { udp_ip = 0, tcp_ip = 1 };

// A set of TIpProtocol held in one byte: bit value 1 is udp_ip, 2 is tcp_ip.
class TIpProtocols {
public:
    constexpr TIpProtocols() = default;
    constexpr TIpProtocols(std::initializer_list<TIpProtocol> members) {
        for (TIpProtocol p : members)
            bits_ |= bit(p);
    }
    constexpr bool contains(TIpProtocol p) const { return (bits_ & bit(p)) != 0; }
    constexpr uint8_t bits() const { return bits_; }
    constexpr bool operator==(const TIpProtocols&) const = default;

private:
    static constexpr uint8_t bit(TIpProtocol p) { return uint8_t(1u << unsigned(p)); }
    uint8_t bits_ = 0;
};

class EConnListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EConnListLockError : public EConnListError {
public:
    using EConnListError::EConnListError;
};
class EConnListUnlockError : public EConnListError {
public:
    using EConnListError::EConnListError;
};
class EConnListRefreshError : public EConnListError {
public:
    using EConnListError::EConnListError;
};
// The row list's index error: "Indice de liste hors limites (%d)".
class EListError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// IPv4 address bytes in network order, first octet first.
using IpAddressBytes = std::array<uint8_t, 4>;

// One row of the connection table, owned by the list.
class TIpConnInfo {
public:
    static constexpr std::size_t MaxProtocolLength = 255;

    // State 2 (LISTEN), the protocol name cut to 255 bytes, the rest 0.
    explicit TIpConnInfo(std::string_view protocol);

    const IpAddressBytes& RemoteAddress() const { return remoteAddress_; }
    int32_t RemotePort() const { return remotePort_; }
    int32_t State() const { return state_; }
    const IpAddressBytes& LocalAddress() const { return localAddress_; }
    int32_t LocalPort() const { return localPort_; }
    const std::string& Protocol() const { return protocol_; }
    // The MIB-II name of State, "UNKNOWN" outside 1 to 12.
    std::string StateText() const;

private:
    friend class TQuelmarIpConnectionList;

    IpAddressBytes remoteAddress_{};
    int32_t remotePort_ = 0;
    int32_t state_ = 2;
    IpAddressBytes localAddress_{};
    int32_t localPort_ = 0;
    std::string protocol_;
};

// A snapshot of the machine's TCP connection table and UDP listener table,
// read by walking tcpConnTable and udpTable of the MIB-II extension agent
// with GetNext requests, in-process. Errors are raised as the classes above.
class TQuelmarIpConnectionList : public QObject {
    Q_OBJECT

public:
    static constexpr auto LockWait = std::chrono::milliseconds(100);

    // Raises EConnListError when a platform resource is missing; whatever
    // was acquired by then is released again.
    explicit TQuelmarIpConnectionList(
        QObject* owner, std::unique_ptr<ConnListPlatform> platform = makeConnListPlatform());
    ~TQuelmarIpConnectionList() override;

    // Replaces the rows with a fresh snapshot: TCP rows first, then UDP rows.
    void Refresh();
    int32_t Count() const { return int32_t(rows_.size()); }
    // Valid until the next Refresh, Clear or destruction.
    const TIpConnInfo& Items(int32_t index) const;
    void Clear();

    // Re-entrant for the thread that holds it; waits at most LockWait.
    void Lock();
    // Raises EConnListUnlockError when the calling thread does not hold the lock.
    void Unlock();

    TIpProtocols Protocols() const { return protocols_; }
    void setProtocols(TIpProtocols protocols) { protocols_ = protocols; }
    bool Busy() const { return busy_; }

    // Called with this list whenever Busy changes.
    std::function<void(TQuelmarIpConnectionList* sender)> OnStatusChange;

protected:
    virtual void DoStatusChange();
    virtual void SetBusy(bool value);

private:
    struct SocketLibrary {
        ConnListPlatform* platform = nullptr;
        bool started = false;
        ~SocketLibrary();
    };
    class Walk;
    struct WalkRows;

    void leaveRefresh();
    void walkTcp();
    void walkUdp();
    void GetNext(Walk& walk);
    TIpConnInfo& row(int32_t index);
    template <typename Set> void readColumn(Walk& walk, const WalkRows& rows, BYTE type, Set set);

    // Declared in the reverse order of release: rows go first, the socket
    // library last.
    std::unique_ptr<ConnListPlatform> platform_;
    SocketLibrary sockets_;
    std::unique_ptr<AgentModule> agent_;
    SnmpExtensionQueryProc query_;
    SnmpExtensionInitProc init_;
    TIpProtocols protocols_{TIpProtocol::udp_ip, TIpProtocol::tcp_ip};
    bool busy_ = false;
    std::unique_ptr<std::recursive_timed_mutex> lock_;
    std::atomic<std::thread::id> lockOwner_{};
    int lockDepth_ = 0;
    HANDLE trapEvent_ = nullptr;
    AsnObjectIdentifier firstRegion_{0, nullptr};
    std::vector<TIpConnInfo> rows_;
};

} // namespace vornel
