#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vornel::test {

// An X server that takes connections and never answers them: a socket in
// the abstract namespace, where xcb looks for a display first, that nothing
// accepts from.
class DeafXServer {
public:
    DeafXServer() {
        for (number_ = 4090; number_ > 4000; --number_) {
            fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const std::string name = "/tmp/.X11-unix/X" + std::to_string(number_);
            std::memcpy(address.sun_path + 1, name.data(), name.size());
            const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
            if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                listen(fd_, 8) == 0)
                return;
            close(fd_);
            fd_ = -1;
        }
    }
    // The connections waiting to be taken are reset.
    ~DeafXServer() {
        if (fd_ >= 0) close(fd_);
    }
    DeafXServer(const DeafXServer&) = delete;
    DeafXServer& operator=(const DeafXServer&) = delete;
    bool listening() const { return fd_ >= 0; }
    std::string display() const { return ":" + std::to_string(number_); }

private:
    int number_ = 0;
    int fd_ = -1;
};

} // namespace vornel::test
