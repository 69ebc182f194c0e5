// One UDP port that takes the clients' probes (video on 3111, audio on
// 3121) and reports each datagram with the address and port it came from.
#pragma once

#include <array>
#include <asio.hpp>
#include <cstdint>
#include <functional>
#include <span>

namespace zemra::server {

class ProbeListener {
  public:
    // (channel, address in network byte order, source port, datagram)
    using Handler = std::function<void(uint16_t, uint32_t, uint16_t, std::span<const uint8_t>)>;

    ProbeListener(asio::io_context& io, const asio::ip::udp::endpoint& endpoint, uint16_t channel,
                  Handler handler);
    void close();

  private:
    void receiveNext();

    asio::ip::udp::socket socket_;
    uint16_t channel_;
    Handler handler_;
    // Larger than a probe, so that an oversized datagram shows as such.
    std::array<uint8_t, 64> buffer_{};
    asio::ip::udp::endpoint sender_;
};

}  // namespace zemra::server
