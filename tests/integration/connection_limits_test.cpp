// Connection floods against the real zemrad: open connections are capped
// per address and in total, connections that have not logged in cost little
// memory, and everybody else goes on being served.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "protocol/message_packets.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;
using namespace std::chrono_literals;

// Raw sockets to the packet port that send nothing.
class SocketFlood {
  public:
    ~SocketFlood() {
        for (const int fd : fds_) ::close(fd);
    }

    // False when the socket or the connect fails.
    bool open(const std::string& server, const std::string& source) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return false;
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(3000);
        inet_pton(AF_INET, server.c_str(), &remote.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
            ::close(fd);
            return false;
        }
        fds_.push_back(fd);
        return true;
    }

    // How many the server has closed so far.
    std::size_t closedByServer() {
        std::size_t closed = 0;
        for (std::size_t i = 0; i < fds_.size(); ++i) {
            if (closed_.size() <= i) closed_.push_back(false);
            if (closed_[i]) {
                ++closed;
                continue;
            }
            pollfd p{fds_[i], POLLIN, 0};
            char byte;
            if (poll(&p, 1, 0) > 0 && recv(fds_[i], &byte, 1, MSG_DONTWAIT) <= 0) {
                closed_[i] = true;
                ++closed;
            }
        }
        return closed;
    }

    std::size_t size() const { return fds_.size(); }

  private:
    std::vector<int> fds_;
    std::vector<bool> closed_;
};

// Every descriptor the system lets this process have.
void raiseDescriptorLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

std::size_t descriptorLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_cur;
}

// The server's resident memory in kB.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

std::size_t countOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ConnectionLimitsTest, ThreeThousandConnectionsFromOneAddressLeaveOthersServed) {
    raiseDescriptorLimit();
    if (descriptorLimit() < 3200) GTEST_SKIP() << "needs 3200 descriptors";
    LiveServer server("127.0.12.1");
    ASSERT_TRUE(server.process.start()) << server.process.log();

    SocketFlood flood;
    for (int i = 0; i < 3000; ++i) ASSERT_TRUE(flood.open(server.address(), "127.0.12.66")) << i;
    // All but the first 64 are turned away.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (flood.closedByServer() < 3000 - 64 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(flood.closedByServer(), 3000u - 64);

    // Meanwhile, from other addresses, two users meet and talk.
    server.clientAddress = "127.0.12.70";
    const uint32_t aliceId = server.newUser("alice");
    const uint32_t bobId = server.newUser("bob");
    ASSERT_NE(aliceId, 0u);
    ASSERT_NE(bobId, 0u);
    auto alice = server.loggedIn(aliceId);
    server.clientAddress = "127.0.12.71";
    auto bob = server.loggedIn(bobId);
    ASSERT_TRUE(alice && bob);
    alice->send(textMessage(bobId, "still here"));
    const auto message = bob->waitFor(PT_MESSAGE);
    ASSERT_TRUE(message);
    EXPECT_EQ(parseMessage(*message).text, "still here");
    EXPECT_TRUE(server.process.running());
    EXPECT_NE(server.process.log().find("refused: too many open"), std::string::npos);
}

TEST(ConnectionLimitsTest, ConnectionsThatSendNothingCostLittleMemory) {
    raiseDescriptorLimit();
    if (descriptorLimit() < 800) GTEST_SKIP() << "needs 800 descriptors";
    LiveServer server("127.0.12.2");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const long before = residentKb(server.process.pid());
    ASSERT_GT(before, 0);

    SocketFlood flood;
    for (int source = 0; source < 10; ++source) {
        for (int i = 0; i < 60; ++i) {
            ASSERT_TRUE(flood.open(server.address(), "127.0.12." + std::to_string(100 + source)));
        }
    }
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (countOf(server.process.log(), "connect #") < 600 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(countOf(server.process.log(), "connect #"), 600u);
    EXPECT_EQ(flood.closedByServer(), 0u);
    // About a kilobyte each; a reassembly buffer apiece would be 40 MB.
    EXPECT_LT(residentKb(server.process.pid()) - before, 8 * 1024);
}

TEST(ConnectionLimitsTest, TheTotalCapTurnsAwayConnectionsFromEveryAddress) {
    LiveServer server("127.0.12.3", {"--max-connections", "10"});
    ASSERT_TRUE(server.process.start()) << server.process.log();
    SocketFlood flood;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(flood.open(server.address(), "127.0.12." + std::to_string(130 + i)));
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(flood.closedByServer(), 0u);
    TestClient late(server.address(), 3000, "127.0.12.150");
    EXPECT_TRUE(late.waitClosed(2s));
}

}  // namespace
}  // namespace zemra::integration
