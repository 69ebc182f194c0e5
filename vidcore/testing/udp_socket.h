// A UDP socket bound to a loopback address for tests, closed when destroyed.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zemra::vid::testing {

class UdpSocket {
  public:
    // Binds `address` (a 127.0.0.x) on a free port.
    explicit UdpSocket(const std::string& address);
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    int fd() const { return fd_; }
    uint32_t address() const { return local_.sin_addr.s_addr; }  // network order
    uint16_t port() const { return ntohs(local_.sin_port); }
    sockaddr_in local() const { return local_; }

    void sendTo(const sockaddr_in& to, std::span<const uint8_t> bytes) const;
    // Nullopt on time-out.
    std::optional<std::vector<uint8_t>> receive(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(2000),
        sockaddr_in* from = nullptr) const;
    // Data datagrams (byte 0 = 0x02) only, skipping probes and reports.
    std::optional<std::vector<uint8_t>> receiveData(
        std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) const;

  private:
    int fd_;
    sockaddr_in local_{};
};

}  // namespace zemra::vid::testing
