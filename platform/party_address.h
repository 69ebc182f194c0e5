// Where the media of one party of a call goes, and who may move it.
//
// The party's IP address is the one the call was set up with and stays put:
// a datagram from any other address is not the party's, whatever ID it
// carries, because IDs are no secret and following them would let anyone
// redirect a user's camera and microphone to themselves. Only the port
// follows the party's own datagrams, since a NAT in front of it may rebind.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>

namespace zemra {

class PartyAddress {
  public:
    // `address` in network byte order, `port` in host byte order.
    PartyAddress(uint32_t address, uint16_t port) : address_(address), port_(htons(port)) {}

    // True when `from` is the party's address; its port is then the one
    // to send to. False (and nothing changed) for anyone else.
    bool follow(const sockaddr_in& from) {
        if (from.sin_family != AF_INET || from.sin_addr.s_addr != address_) return false;
        port_.store(from.sin_port, std::memory_order_relaxed);
        return true;
    }

    // Safe to read while the receiving thread follows the party.
    sockaddr_in current() const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = address_;
        to.sin_port = port_.load(std::memory_order_relaxed);
        return to;
    }

  private:
    const uint32_t address_;      // network byte order
    std::atomic<uint16_t> port_;  // network byte order
};

}  // namespace zemra
