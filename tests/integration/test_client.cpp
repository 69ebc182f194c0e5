#include "tests/integration/test_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "protocol/simple_packets.h"

namespace zemra::integration {

using Clock = std::chrono::steady_clock;

TestClient::TestClient(const std::string& serverAddress, uint16_t port,
                       const std::string& sourceAddress)
    : reassembler_([this](uint16_t, std::span<const uint8_t> packet) {
          inbox_.emplace_back(packet.begin(), packet.end());
      }) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (!sourceAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, sourceAddress.c_str(), &local.sin_addr);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    inet_pton(AF_INET, serverAddress.c_str(), &addr.sin_addr);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

TestClient::~TestClient() {
    close();
}

void TestClient::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TestClient::abort() {
    if (fd_ < 0) return;
    const linger reset{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close();
}

bool TestClient::send(const std::vector<uint8_t>& bytes) {
    std::size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
}

bool TestClient::pump(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) return true;
    uint8_t buffer[protocol::PacketReassembler::kMaxRead];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    reassembler_.onRead(std::span(buffer, static_cast<std::size_t>(n)));
    return true;
}

std::optional<std::vector<uint8_t>> TestClient::waitFor(uint16_t type,
                                                        std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
            if (protocol::PacketView(*it).type() == type) {
                std::vector<uint8_t> packet = std::move(*it);
                inbox_.erase(it);
                return packet;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !pump(std::min(left, std::chrono::milliseconds(50)))) {
            if (left.count() <= 0 || fd_ < 0) return std::nullopt;
            // Closed by the server: whatever arrived before is still looked at once.
            for (auto it = inbox_.begin(); it != inbox_.end(); ++it) {
                if (protocol::PacketView(*it).type() == type) {
                    std::vector<uint8_t> packet = std::move(*it);
                    inbox_.erase(it);
                    return packet;
                }
            }
            return std::nullopt;
        }
    }
}

bool TestClient::nothingOf(uint16_t type, std::chrono::milliseconds quiet) {
    return !waitFor(type, quiet).has_value();
}

bool TestClient::waitClosed(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (!pump(50ms)) return true;
    }
    return false;
}

uint32_t TestClient::registerUser(const std::string& nickname, const std::string& password,
                                  uint16_t gender, const std::string& city) {
    protocol::UserProfile profile;
    profile.nickname = nickname;
    profile.password = password;
    profile.gender = gender;
    profile.city = city;
    send(protocol::buildRegister(profile));
    const auto answer = waitFor(protocol::PT_REGISTERED);
    id_ = answer ? protocol::parseUserId(*answer) : 0;
    return id_;
}

std::optional<protocol::LoginAccepted> TestClient::login(uint32_t id, const std::string& password,
                                                         bool invisible) {
    protocol::LoginRequest request;
    request.userId = id;
    request.password = password;
    request.invisible = invisible;
    request.localIp = "127.0.0.1";
    send(protocol::buildLogin(request));
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline) {
        if (auto ok = waitFor(protocol::PT_LOGIN_OK, 50ms)) {
            id_ = id;
            return protocol::parseLoginAccepted(*ok);
        }
        if (waitFor(protocol::PT_LOGIN_FAILED, 1ms)) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace zemra::integration
