#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vornel {

enum class SocketProtocol { Tcp, Udp };

// One socket as the kernel lists it. Addresses are 16 bytes in network order,
// an IPv4 address in the first four; the state is the kernel's TCP state
// number (UDP sockets use 7, closed, unless connected).
struct KernelSocket {
    bool ipv6 = false;
    uint8_t state = 0;
    std::array<uint8_t, 16> localAddress{};
    uint16_t localPort = 0;
    std::array<uint8_t, 16> remoteAddress{};
    uint16_t remotePort = 0;
    // IPV6_V6ONLY: an IPv6 socket that never carries IPv4.
    bool v6only = false;

    bool operator==(const KernelSocket&) const = default;
};

// Where the agent takes its snapshots from.
class SocketTableSource {
public:
    virtual ~SocketTableSource() = default;
    // Every IPv4 and IPv6 socket of the protocol; empty when nothing can be read.
    virtual std::vector<KernelSocket> read(SocketProtocol protocol) = 0;
};

// The kernel's own tables through netlink sock_diag; nullopt when netlink is
// refused (no socket, or the IPv4 dump is turned down). An IPv6 dump that is
// refused means a kernel without IPv6 and adds nothing.
std::optional<std::vector<KernelSocket>> readSockDiag(SocketProtocol protocol);

// The same from /proc/net (tcp and tcp6, udp and udp6); nullopt when the IPv4
// file cannot be read. The files do not show IPV6_V6ONLY, so an IPv6 socket
// gets the system default (net.ipv6.bindv6only).
std::optional<std::vector<KernelSocket>> readProcNet(SocketProtocol protocol);

// sock_diag, falling back to /proc/net when netlink is refused.
class KernelSocketTables : public SocketTableSource {
public:
    std::vector<KernelSocket> read(SocketProtocol protocol) override;
};

} // namespace vornel
