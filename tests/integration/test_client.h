// A blocking client for tests: one TCP connection to zemrad, packets built
// and read with the protocol library, and every wait bounded by a timeout.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "protocol/login_packets.h"
#include "protocol/packet_reassembler.h"
#include "protocol/profile_packets.h"

namespace zemra::integration {

using namespace std::chrono_literals;

class TestClient {
  public:
    // `sourceAddress` (a 127.0.0.x) is the address the connection comes
    // from; empty leaves it to the system.
    explicit TestClient(const std::string& serverAddress, uint16_t port = 3000,
                        const std::string& sourceAddress = {});
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(const std::vector<uint8_t>& bytes);
    // The next packet of `type`; packets of other types stay queued.
    std::optional<std::vector<uint8_t>> waitFor(uint16_t type,
                                                std::chrono::milliseconds timeout = 5s);
    // True when nothing of `type` arrives within `quiet`.
    bool nothingOf(uint16_t type, std::chrono::milliseconds quiet = 300ms);
    // True once the server has closed the connection.
    bool waitClosed(std::chrono::milliseconds timeout = 5s);
    // Closes with a reset instead of an orderly shutdown.
    void abort();
    void close();

    // Registers (the connection then goes on as the new user); 0 on failure.
    uint32_t registerUser(const std::string& nickname, const std::string& password,
                          uint16_t gender = 0, const std::string& city = "");
    std::optional<protocol::LoginAccepted> login(uint32_t id, const std::string& password,
                                                 bool invisible = false);
    uint32_t id() const { return id_; }

  private:
    // Reads what is there, waiting at most `timeout`; false once closed.
    bool pump(std::chrono::milliseconds timeout);

    int fd_ = -1;
    uint32_t id_ = 0;
    protocol::PacketReassembler reassembler_;
    std::deque<std::vector<uint8_t>> inbox_;
};

}  // namespace zemra::integration
