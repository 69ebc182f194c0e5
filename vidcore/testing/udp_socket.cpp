#include "vidcore/testing/udp_socket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace zemra::vid::testing {

UdpSocket::UdpSocket(const std::string& address) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd_);
        throw std::runtime_error("bind " + address);
    }
    socklen_t len = sizeof local_;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local_), &len);
    const int size = 4 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

UdpSocket::~UdpSocket() {
    ::close(fd_);
}

void UdpSocket::sendTo(const sockaddr_in& to, std::span<const uint8_t> bytes) const {
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

std::optional<std::vector<uint8_t>> UdpSocket::receive(std::chrono::milliseconds timeout,
                                                       sockaddr_in* from) const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    std::vector<uint8_t> buffer(65536);
    sockaddr_in source{};
    socklen_t len = sizeof source;
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                 reinterpret_cast<sockaddr*>(&source), &len);
    if (n < 0) return std::nullopt;
    buffer.resize(static_cast<size_t>(n));
    if (from) *from = source;
    return buffer;
}

std::optional<std::vector<uint8_t>> UdpSocket::receiveData(
    std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto d = receive(left);
        if (!d) return std::nullopt;
        if (!d->empty() && (*d)[0] == 0x02) return d;
    }
}

}  // namespace zemra::vid::testing
