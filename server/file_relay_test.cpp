#include "server/file_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace zemra::server {
namespace {

using namespace std::chrono_literals;
using protocol::RelayHello;
using protocol::RelayRole;

// A blocking client socket from `source` to the relay; -1 when it fails.
int connectFrom(const char* source, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in relay{};
    relay.sin_family = AF_INET;
    relay.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &relay.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&relay), sizeof relay) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// True when the relay has closed the socket within `limit`; data before
// the close is read and skipped.
bool closedWithin(int fd, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buffer[4096];
        if (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0) return true;
    }
    return false;
}

bool sendAll(int fd, const void* data, std::size_t size) {
    return send(fd, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// A FileRelay on 127.0.0.1 with its event loop on a thread of its own.
class FileRelayTest : public ::testing::Test {
  protected:
    void start(const RelayLimits& limits) {
        relay = std::make_unique<FileRelay>(
            io, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0), limits);
        port = relay->port();
        loop = std::thread([this] { io.run(); });
    }

    void TearDown() override {
        if (loop.joinable()) {
            asio::post(io, [this] {
                relay->stop();
                io.stop();
            });
            loop.join();
        }
        for (const int fd : sockets) close(fd);
    }

    int open(const char* source) {
        const int fd = connectFrom(source, port);
        if (fd >= 0) sockets.push_back(fd);
        return fd;
    }

    // Both sides of an announced transfer, greeted and paired.
    std::pair<int, int> paired(uint32_t token, uint32_t size) {
        asio::post(io, [=, this] { relay->expect(token, 1, 2, size); });
        const int sender = open("127.0.0.1");
        const int receiver = open("127.0.0.1");
        const auto senderHello = RelayHello{1, 2, token, RelayRole::Sender, size}.encode();
        const auto receiverHello = RelayHello{2, 1, token, RelayRole::Receiver, size}.encode();
        EXPECT_TRUE(sendAll(sender, senderHello.data(), senderHello.size()));
        EXPECT_TRUE(sendAll(receiver, receiverHello.data(), receiverHello.size()));
        for (const int fd : {sender, receiver}) {
            uint8_t word[4];
            EXPECT_EQ(recv(fd, word, 4, MSG_WAITALL), 4);
            EXPECT_EQ(protocol::decodeRelayWord(word), protocol::kRelayPaired);
        }
        return {sender, receiver};
    }

    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> guard{io.get_executor()};
    std::unique_ptr<FileRelay> relay;
    uint16_t port = 0;
    std::thread loop;
    std::vector<int> sockets;
};

TEST_F(FileRelayTest, ConnectionsBeyondTheCapsAreClosedAtOnce) {
    RelayLimits limits;
    limits.maxConnectionsPerAddress = 3;
    limits.maxConnections = 5;
    start(limits);
    std::vector<int> first;
    for (int i = 0; i < 3; ++i) first.push_back(open("127.0.0.1"));
    const int fourth = open("127.0.0.1");
    EXPECT_TRUE(closedWithin(fourth, 1s));
    const int other1 = open("127.0.0.2");
    const int other2 = open("127.0.0.2");
    const int sixth = open("127.0.0.3");  // five in all already
    EXPECT_TRUE(closedWithin(sixth, 1s));
    // Those let in wait for their greeting (ten seconds) undisturbed.
    for (const int fd : {first[0], first[1], first[2], other1, other2}) {
        EXPECT_FALSE(closedWithin(fd, 100ms));
    }
    // A place given back is taken again.
    ::shutdown(first[0], SHUT_RDWR);
    EXPECT_TRUE(closedWithin(first[0], 1s));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(closedWithin(open("127.0.0.3"), 300ms));
}

TEST_F(FileRelayTest, ATransferMovingSlowerThanTheMinimumRateIsDropped) {
    RelayLimits limits;
    limits.rateWindow = 300ms;
    limits.minBytesPerWindow = 1000;  // 3.3 KB/s
    start(limits);
    const auto [slowSender, slowReceiver] = paired(77, 1'000'000);
    const auto [fastSender, fastReceiver] = paired(78, 1'000'000);
    const std::vector<uint8_t> chunk(1000, 0x42);
    bool slowDropped = false;
    const auto began = std::chrono::steady_clock::now();
    // 100 bytes every 50 ms for the slow one (2 KB/s), 20 KB/s for the other.
    for (int tick = 0; tick < 40 && !slowDropped; ++tick) {
        sendAll(slowSender, chunk.data(), 100);
        sendAll(fastSender, chunk.data(), chunk.size());
        slowDropped = closedWithin(slowReceiver, 50ms);
    }
    ASSERT_TRUE(slowDropped);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 1500ms);
    // The other one keeps going past several windows.
    for (int tick = 0; tick < 30; ++tick) {
        ASSERT_TRUE(sendAll(fastSender, chunk.data(), chunk.size()));
        EXPECT_FALSE(closedWithin(fastReceiver, 50ms));
    }
}

TEST(FileRelayDescriptorTest, AnAcceptorOutOfDescriptorsWaitsInsteadOfSpinning) {
    int portPipe[2];
    ASSERT_EQ(pipe(portPipe), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The relay alone, with every descriptor in use, for one second.
        close(portPipe[0]);
        asio::io_context io;
        FileRelay relay(io, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
        const uint16_t port = relay.port();
        if (write(portPipe[1], &port, sizeof port) != sizeof port) _exit(2);
        close(portPipe[1]);
        while (::open("/dev/null", O_RDONLY) >= 0) {
        }
        io.run_for(1s);
        _exit(0);
    }
    close(portPipe[1]);
    uint16_t port = 0;
    ASSERT_EQ(read(portPipe[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
    close(portPipe[0]);
    std::vector<int> clients;
    for (int i = 0; i < 3; ++i) clients.push_back(connectFrom("127.0.0.1", port));
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    for (const int fd : clients) close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                       usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    // Spinning on accept would use the whole second.
    EXPECT_LT(cpu, 0.3);
}

}  // namespace
}  // namespace zemra::server
