#pragma once

// Real sockets for the tests and benchmarks that read the kernel's tables.
// Every failure raises, so a test never reads a table it did not set up.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace vornel::test {

class TestSocket {
public:
    explicit TestSocket(int fd = -1) : fd_(fd) {}
    ~TestSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    TestSocket(TestSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TestSocket& operator=(TestSocket&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int fd() const { return fd_; }
    uint16_t localPort() const {
        sockaddr_storage address{};
        socklen_t length = sizeof(address);
        check(::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length), "getsockname");
        if (address.ss_family == AF_INET6)
            return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
        return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    }

    static int check(int result, const char* what) {
        if (result < 0) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
        return result;
    }

private:
    int fd_;
};

// address is IPv4 or IPv6 text; port 0 lets the kernel choose.
inline sockaddr_storage socketAddress(const char* address, uint16_t port, socklen_t& length) {
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        throw std::runtime_error(std::string("not an address: ") + address);
    }
    return storage;
}

inline TestSocket boundSocket(int type, const char* address, std::optional<bool> v6only) {
    socklen_t length = 0;
    sockaddr_storage where = socketAddress(address, 0, length);
    TestSocket s(TestSocket::check(::socket(where.ss_family, type | SOCK_CLOEXEC, 0), "socket"));
    if (v6only) {
        int value = *v6only ? 1 : 0;
        TestSocket::check(::setsockopt(s.fd(), IPPROTO_IPV6, IPV6_V6ONLY, &value, sizeof(value)),
                          "IPV6_V6ONLY");
    }
    TestSocket::check(::bind(s.fd(), reinterpret_cast<sockaddr*>(&where), length), "bind");
    return s;
}

// A TCP listener at a port the kernel picks; v6only is set on IPv6 sockets.
inline TestSocket tcpListener(const char* address, std::optional<bool> v6only = std::nullopt,
                              int backlog = 128) {
    TestSocket s = boundSocket(SOCK_STREAM, address, v6only);
    TestSocket::check(::listen(s.fd(), backlog), "listen");
    return s;
}

inline TestSocket tcpConnect(const char* address, uint16_t port) {
    socklen_t length = 0;
    sockaddr_storage where = socketAddress(address, port, length);
    TestSocket s(
        TestSocket::check(::socket(where.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0), "socket"));
    TestSocket::check(::connect(s.fd(), reinterpret_cast<sockaddr*>(&where), length), "connect");
    return s;
}

inline TestSocket tcpAccept(const TestSocket& listener) {
    return TestSocket(
        TestSocket::check(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC), "accept"));
}

// A UDP socket bound at a port the kernel picks, connected when peerPort is given.
inline TestSocket udpSocket(const char* address, std::optional<bool> v6only = std::nullopt,
                            uint16_t peerPort = 0) {
    TestSocket s = boundSocket(SOCK_DGRAM, address, v6only);
    if (peerPort) {
        socklen_t length = 0;
        sockaddr_storage where = socketAddress(address, peerPort, length);
        TestSocket::check(::connect(s.fd(), reinterpret_cast<sockaddr*>(&where), length),
                          "connect");
    }
    return s;
}

} // namespace vornel::test
