// A stand-in for zemrad on a loopback socket, for tests of what the client
// sends and how it takes answers: every whole packet a client sends goes to
// the handler, which may answer on that client's socket.
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "protocol/packet_reassembler.h"

namespace zemra::client::testing {

class StandInServer {
  public:
    using Handler =
        std::function<void(uint16_t type, std::span<const uint8_t> packet, QTcpSocket& client)>;

    // Port 0 takes any free port.
    StandInServer(const QString& address, uint16_t port, Handler handler);

    bool listening() const { return server_.isListening(); }
    uint16_t port() const { return server_.serverPort(); }
    // Writes a packet to `client`.
    static void answer(QTcpSocket& client, const std::vector<uint8_t>& packet);

  private:
    struct Connection {
        Connection(QTcpSocket* s, protocol::PacketReassembler::Handler h)
            : socket(s), reassembler(std::move(h)) {}
        QTcpSocket* socket;
        protocol::PacketReassembler reassembler;
    };
    Handler handler_;
    QTcpServer server_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace zemra::client::testing
