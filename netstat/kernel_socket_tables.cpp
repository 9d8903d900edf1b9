#include "netstat/kernel_socket_tables.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace vornel {

namespace {

// Kernel TCP states 1 (established) to 12 (new SYN received); UDP sockets
// are either 1 (connected) or 7 (closed).
constexpr uint32_t AllStates = 0x1FFE;
constexpr std::size_t ReceiveBufferSize = 64 * 1024;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

uint8_t ipProtocol(SocketProtocol protocol) {
    return protocol == SocketProtocol::Tcp ? IPPROTO_TCP : IPPROTO_UDP;
}

void readAttributes(const inet_diag_msg* message, int length, KernelSocket& socket) {
    auto* attribute = reinterpret_cast<const rtattr*>(message + 1);
    for (; RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length))
        if (attribute->rta_type == INET_DIAG_SKV6ONLY && RTA_PAYLOAD(attribute) >= 1)
            socket.v6only = *static_cast<const uint8_t*>(RTA_DATA(attribute)) != 0;
}

bool fromDiagMessage(const nlmsghdr* header, KernelSocket& socket) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) return false;
    auto* message = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
    socket.ipv6 = message->idiag_family == AF_INET6;
    socket.state = message->idiag_state;
    const std::size_t addressBytes = socket.ipv6 ? 16 : 4;
    std::memcpy(socket.localAddress.data(), message->id.idiag_src, addressBytes);
    std::memcpy(socket.remoteAddress.data(), message->id.idiag_dst, addressBytes);
    socket.localPort = ntohs(message->id.idiag_sport);
    socket.remotePort = ntohs(message->id.idiag_dport);
    readAttributes(message, int(header->nlmsg_len - NLMSG_LENGTH(sizeof(inet_diag_msg))), socket);
    return true;
}

bool sendDumpRequest(int fd, uint8_t family, uint8_t protocol) {
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = family;
    message.request.sdiag_protocol = protocol;
    message.request.idiag_states = AllStates;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    return ::sendto(fd, &message, sizeof(message), 0, reinterpret_cast<sockaddr*>(&kernel),
                    sizeof(kernel)) == ssize_t(sizeof(message));
}

// One dump of one address family; false when the kernel turns it down.
bool dumpFamily(int fd, uint8_t family, uint8_t protocol, std::vector<KernelSocket>& out) {
    if (!sendDumpRequest(fd, family, protocol)) return false;
    std::vector<nlmsghdr> buffer(ReceiveBufferSize / sizeof(nlmsghdr));
    for (;;) {
        ssize_t received = ::recv(fd, buffer.data(), buffer.size() * sizeof(nlmsghdr), 0);
        if (received < 0 && errno == EINTR) continue;
        if (received <= 0) return false;
        int left = int(received);
        for (auto* header = buffer.data(); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == NLMSG_DONE) return true;
            if (header->nlmsg_type == NLMSG_ERROR) return false;
            KernelSocket socket;
            if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY && fromDiagMessage(header, socket))
                out.push_back(socket);
        }
    }
}

// /proc/net prints each 32-bit word of an address as the hexadecimal of its
// in-memory value, so the word's bytes in memory are the address bytes.
bool parseProcAddress(const char* hex, std::size_t words, uint8_t* bytes) {
    if (std::strlen(hex) != words * 8) return false;
    for (std::size_t w = 0; w < words; ++w) {
        char word[9] = {};
        std::memcpy(word, hex + 8 * w, 8);
        auto value = uint32_t(std::strtoul(word, nullptr, 16));
        std::memcpy(bytes + 4 * w, &value, 4);
    }
    return true;
}

bool parseProcLine(const std::string& line, bool ipv6, KernelSocket& socket) {
    char local[33], remote[33];
    unsigned localPort, remotePort, state;
    if (std::sscanf(line.c_str(), " %*u: %32[0-9A-Fa-f]:%x %32[0-9A-Fa-f]:%x %x", local, &localPort,
                    remote, &remotePort, &state) != 5)
        return false;
    const std::size_t words = ipv6 ? 4 : 1;
    if (!parseProcAddress(local, words, socket.localAddress.data()) ||
        !parseProcAddress(remote, words, socket.remoteAddress.data()))
        return false;
    socket.ipv6 = ipv6;
    socket.localPort = uint16_t(localPort);
    socket.remotePort = uint16_t(remotePort);
    socket.state = uint8_t(state);
    return true;
}

bool readProcFile(const std::string& path, bool ipv6, bool v6only, std::vector<KernelSocket>& out) {
    std::ifstream file(path);
    if (!file) return false;
    std::string line;
    std::getline(file, line); // the column titles
    while (std::getline(file, line)) {
        KernelSocket socket;
        socket.v6only = ipv6 && v6only;
        if (parseProcLine(line, ipv6, socket)) out.push_back(socket);
    }
    return true;
}

bool systemBindsV6Only() {
    std::ifstream file("/proc/sys/net/ipv6/bindv6only");
    int value = 0;
    return (file >> value) && value != 0;
}

} // namespace

std::optional<std::vector<KernelSocket>> readSockDiag(SocketProtocol protocol) {
    Descriptor fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (fd.get() < 0) return std::nullopt;
    std::vector<KernelSocket> sockets;
    if (!dumpFamily(fd.get(), AF_INET, ipProtocol(protocol), sockets)) return std::nullopt;
    std::vector<KernelSocket> ipv6;
    if (dumpFamily(fd.get(), AF_INET6, ipProtocol(protocol), ipv6))
        sockets.insert(sockets.end(), ipv6.begin(), ipv6.end());
    return sockets;
}

std::optional<std::vector<KernelSocket>> readProcNet(SocketProtocol protocol) {
    const std::string name = protocol == SocketProtocol::Tcp ? "/proc/net/tcp" : "/proc/net/udp";
    std::vector<KernelSocket> sockets;
    if (!readProcFile(name, false, false, sockets)) return std::nullopt;
    readProcFile(name + "6", true, systemBindsV6Only(), sockets);
    return sockets;
}

std::vector<KernelSocket> KernelSocketTables::read(SocketProtocol protocol) {
    if (auto sockets = readSockDiag(protocol)) return std::move(*sockets);
    if (auto sockets = readProcNet(protocol)) return std::move(*sockets);
    return {};
}

} // namespace vornel
