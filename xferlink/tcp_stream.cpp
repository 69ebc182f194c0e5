#include "tcp_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace zemra::xferlink {

TcpStream::~TcpStream() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0) ::close(fd);
}

bool TcpStream::connect(const std::string& address, uint16_t port,
                        std::chrono::milliseconds timeout) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return false;

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    fd_.store(fd);
    if (cancelled_) return false;

    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS) return false;
        // Poll in short steps so that cancel() is noticed while connecting.
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (cancelled_ || std::chrono::steady_clock::now() >= deadline) return false;
            pollfd p{fd, POLLOUT, 0};
            const int ready = ::poll(&p, 1, 100);
            if (ready < 0 && errno != EINTR) return false;
            if (ready > 0) break;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
    }
    // Back to blocking: reads and writes wait, and cancel() wakes them.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return !cancelled_;
}

bool TcpStream::writeAll(const void* data, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (cancelled_) return false;
        const ssize_t n = ::send(fd_.load(), p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TcpStream::readAll(void* data, std::size_t size) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        if (cancelled_) return false;
        const ssize_t n = ::recv(fd_.load(), p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void TcpStream::cancel() {
    cancelled_ = true;
    const int fd = fd_.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

}  // namespace zemra::xferlink
