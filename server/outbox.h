// What handling one event produced: packets for connections, connections
// to close, transfers to announce to the file relay, and lines for the log.
// The rules fill it; the network layer carries it out in this order:
// transfers, packets, closes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zemra::server {

using ConnectionId = uint64_t;

class Outbox {
  public:
    struct Packet {
        ConnectionId connection;
        std::vector<uint8_t> bytes;
    };
    struct Close {
        ConnectionId connection;
        std::string reason;
    };
    struct Transfer {
        uint32_t token;
        uint32_t senderId;
        uint32_t receiverId;
        uint32_t fileSize;
    };

    void send(ConnectionId connection, std::vector<uint8_t> bytes) {
        packets_.push_back({connection, std::move(bytes)});
    }
    // The connection is closed once what was queued for it has been written.
    void close(ConnectionId connection, std::string reason) {
        closes_.push_back({connection, std::move(reason)});
    }
    void expectTransfer(const Transfer& transfer) { transfers_.push_back(transfer); }
    void log(std::string line) { logs_.push_back(std::move(line)); }

    const std::vector<Packet>& packets() const { return packets_; }
    std::vector<Packet> takePackets() { return std::move(packets_); }
    const std::vector<Close>& closes() const { return closes_; }
    const std::vector<Transfer>& transfers() const { return transfers_; }
    const std::vector<std::string>& logs() const { return logs_; }
    bool empty() const { return packets_.empty() && closes_.empty() && transfers_.empty(); }

  private:
    std::vector<Packet> packets_;
    std::vector<Close> closes_;
    std::vector<Transfer> transfers_;
    std::vector<std::string> logs_;
};

}  // namespace zemra::server
