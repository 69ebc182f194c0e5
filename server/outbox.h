// What handling one event produced: packets for connections, connections
// to close, transfers to announce to the file relay, connections that are
// now logged in, and lines for the log. The rules fill it; the network layer
// carries it out in this order: transfers, logins, packets, closes.
//
// A packet may carry a receipt: the network layer then reports back whether
// it was written to its socket completely or lost (ServerRules::onWritten).
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
        uint64_t receipt = 0;  // 0: nobody needs to know
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

    void send(ConnectionId connection, std::vector<uint8_t> bytes, uint64_t receipt = 0) {
        packets_.push_back({connection, std::move(bytes), receipt});
    }
    // The connection is closed once what was queued for it has been written.
    void close(ConnectionId connection, std::string reason) {
        closes_.push_back({connection, std::move(reason)});
    }
    void expectTransfer(const Transfer& transfer) { transfers_.push_back(transfer); }
    // The connection's user is logged in: it no longer has a deadline for that.
    void loggedIn(ConnectionId connection) { logins_.push_back(connection); }
    void log(std::string line) { logs_.push_back(std::move(line)); }

    const std::vector<Packet>& packets() const { return packets_; }
    std::vector<Packet> takePackets() { return std::move(packets_); }
    const std::vector<Close>& closes() const { return closes_; }
    const std::vector<Transfer>& transfers() const { return transfers_; }
    const std::vector<ConnectionId>& logins() const { return logins_; }
    const std::vector<std::string>& logs() const { return logs_; }
    bool empty() const { return packets_.empty() && closes_.empty() && transfers_.empty(); }

  private:
    std::vector<Packet> packets_;
    std::vector<Close> closes_;
    std::vector<Transfer> transfers_;
    std::vector<ConnectionId> logins_;
    std::vector<std::string> logs_;
};

}  // namespace zemra::server
