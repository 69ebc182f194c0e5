#include "platform/netaddr.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace zemra::netaddr {
namespace {

using Addresses = std::vector<std::string>;

TEST(ChooseLocalAddressTest, FirstPrivateAddressIsTakenAtOnce) {
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "10.0.0.5", "192.168.1.2"}), "10.0.0.5");
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "192.168.1.2", "10.0.0.1"}), "192.168.1.2");
    EXPECT_EQ(chooseLocalAddress({"10.0.0.5", "8.8.4.4"}), "10.0.0.5");
}

TEST(ChooseLocalAddressTest, LastOtherAddressWinsWithoutAPrivateOne) {
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "9.9.9.9"}), "9.9.9.9");
    EXPECT_EQ(chooseLocalAddress({"9.9.9.9", "8.8.4.4"}), "8.8.4.4");
}

// hostAddresses() puts loopback last, so an ordinary host with one
// 172.16/12, carrier-grade NAT or public address ends its list with 127.0.0.1.
TEST(ChooseLocalAddressTest, LoopbackAfterTheOnlyOtherAddressDoesNotHideIt) {
    EXPECT_EQ(chooseLocalAddress({"172.16.0.5", "127.0.0.1"}), "172.16.0.5");
    EXPECT_EQ(chooseLocalAddress({"100.64.0.1", "127.0.0.1"}), "100.64.0.1");
    EXPECT_EQ(chooseLocalAddress({"203.0.113.9", "127.0.0.1", "127.0.1.1"}), "203.0.113.9");
    EXPECT_EQ(chooseLocalAddress({"8.8.4.4", "127.0.0.1", "10.1.1.1"}), "10.1.1.1");
}

TEST(ChooseLocalAddressTest, LoopbackIsTheAnswerOnlyWhenNothingElseExists) {
    EXPECT_EQ(chooseLocalAddress({"127.0.0.1"}), "127.0.0.1");
    EXPECT_EQ(chooseLocalAddress({"127.0.1.1", "127.0.0.1"}), "127.0.1.1");
    EXPECT_EQ(chooseLocalAddress({"127.0.0.1", "8.8.4.4"}), "8.8.4.4");
    EXPECT_FALSE(chooseLocalAddress({}).has_value());
}

TEST(ChooseLocalAddressTest, ClassGoesByTheFirstOctetNotTheTextPrefix) {
    // 100.x and 101.x begin with the characters "10" but are not 10.x.x.x.
    EXPECT_EQ(chooseLocalAddress({"100.64.0.1", "8.8.8.8"}), "8.8.8.8");
    EXPECT_EQ(chooseLocalAddress({"8.8.8.8", "101.0.0.1"}), "101.0.0.1");
    EXPECT_EQ(chooseLocalAddress({"100.64.0.1", "10.9.8.7", "8.8.8.8"}), "10.9.8.7");
    // 1.x and 12.x are "others" too, whatever their later octets say.
    EXPECT_EQ(chooseLocalAddress({"1.92.0.1", "12.7.0.1"}), "12.7.0.1");
}

TEST(ChooseLocalAddressTest, TextThatIsNotAnAddressIsSkipped) {
    EXPECT_FALSE(chooseLocalAddress({"", "10", "192.168", "not-an-address"}).has_value());
    EXPECT_EQ(chooseLocalAddress({"8.8.8.8", "garbage"}), "8.8.8.8");
    EXPECT_EQ(chooseLocalAddress({"127.0.0.1", "10.0.0"}), "127.0.0.1");
}

TEST(HostAddressesTest, LoopbackComesLast) {
    const auto addresses = hostAddresses();
    ASSERT_FALSE(addresses.empty());  // every host has lo
    bool seenLoopback = false;
    for (const auto& address : addresses) {
        if (address.starts_with("127.")) {
            seenLoopback = true;
        } else {
            EXPECT_FALSE(seenLoopback) << address << " after a loopback address";
        }
    }
    EXPECT_TRUE(seenLoopback);
}

// What a child process saw inside its own network namespace.
struct NamespaceProbe {
    std::string skipReason;  // set when the namespace could not be made
    Addresses addresses;
    std::string chosen;  // "-" for none
};

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// Forks; the child moves into a new network namespace, runs `setup` with the
// shell (iproute2 commands), then reports hostAddresses() and the chosen
// address through a pipe. The test process itself never leaves its namespace.
NamespaceProbe probeFreshNetwork(const std::string& setup) {
    int fds[2];
    if (pipe(fds) != 0) return {"pipe failed", {}, {}};
    const pid_t pid = fork();
    if (pid < 0) return {"fork failed", {}, {}};
    if (pid == 0) {
        close(fds[0]);
        if (unshare(CLONE_NEWNET) != 0) {
            writeAll(fds[1],
                     std::string("SKIP unshare(CLONE_NEWNET) refused: ") + std::strerror(errno));
            _exit(0);
        }
        std::string output;
        FILE* shell = popen((setup + " 2>&1").c_str(), "r");
        if (shell == nullptr) {
            writeAll(fds[1], "SKIP cannot run the shell");
            _exit(0);
        }
        char buffer[256];
        while (fgets(buffer, sizeof buffer, shell) != nullptr) output += buffer;
        if (pclose(shell) != 0) {
            writeAll(fds[1], "SKIP setting up the namespace failed: " + output);
            _exit(0);
        }
        const Addresses addresses = hostAddresses();
        std::string report = "ADDRESSES";
        for (const auto& address : addresses) report += " " + address;
        report += "\nCHOSEN " + chooseLocalAddress(addresses).value_or("-") + "\n";
        writeAll(fds[1], report);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    for (int rounds = 0; rounds < 300; ++rounds) {  // at most 30 s
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[512];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    kill(pid, SIGKILL);  // harmless if it has exited already
    waitpid(pid, nullptr, 0);

    NamespaceProbe probe;
    if (text.starts_with("SKIP ")) {
        probe.skipReason = text.substr(5);
        return probe;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string key, word;
        words >> key;
        if (key == "ADDRESSES") {
            while (words >> word) probe.addresses.push_back(word);
        } else if (key == "CHOSEN") {
            words >> probe.chosen;
        }
    }
    if (probe.chosen.empty()) probe.skipReason = "the probe did not answer: " + text;
    return probe;
}

// A dummy interface where the kernel has the module, else one end of a veth pair.
const char* const kAddOutsideInterface =
    "command -v ip >/dev/null || { echo 'iproute2 (ip) is not installed'; exit 1; }\n"
    "ip link set lo up || exit 1\n"
    "if ! ip link add n0 type dummy 2>/dev/null; then\n"
    "  ip link add n0 type veth peer name n1 && ip link set n1 up || exit 1\n"
    "fi\n"
    "ip addr add 172.16.0.5/24 dev n0 && ip link set n0 up\n";

TEST(HostAddressesNamespaceTest, HostWithOnlyA172AddressBesideLoopbackChoosesIt) {
    const NamespaceProbe probe = probeFreshNetwork(kAddOutsideInterface);
    if (!probe.skipReason.empty()) GTEST_SKIP() << probe.skipReason;
    EXPECT_EQ(probe.addresses, (Addresses{"172.16.0.5", "127.0.0.1"}));
    EXPECT_EQ(probe.chosen, "172.16.0.5");
}

TEST(HostAddressesNamespaceTest, HostWithOnlyLoopbackChoosesTheLoopbackAddress) {
    const NamespaceProbe probe = probeFreshNetwork("ip link set lo up");
    if (!probe.skipReason.empty()) GTEST_SKIP() << probe.skipReason;
    EXPECT_EQ(probe.addresses, (Addresses{"127.0.0.1"}));
    EXPECT_EQ(probe.chosen, "127.0.0.1");
}

}  // namespace
}  // namespace zemra::netaddr
