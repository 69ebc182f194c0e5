// The TCP connection to the server: one object per connection.
//
// Incoming bytes are cut into whole packets and handed to the packet handler
// one at a time, in order. Connecting and sending wait in a local event loop,
// so the rest of the program keeps running (and packets keep arriving)
// while they wait. Anything that pumps events inside a packet handler may see
// the connection closed and the link dropped with deleteLater(): the link
// then lives on until the handler has returned, and hands over no further
// packets.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "protocol/packet_reassembler.h"

namespace zemra::client {

class ServerLink : public QObject {
    Q_OBJECT
  public:
    using PacketHandler = std::function<void(uint16_t type, std::span<const uint8_t> packet)>;

    explicit ServerLink(PacketHandler handler, QObject* parent = nullptr);
    ~ServerLink() override;

    // Connects and waits for the outcome.
    bool connectToServer(const std::string& address, uint16_t port,
                         std::chrono::milliseconds timeout);
    // Sends every byte, waiting until the socket has taken them. False once
    // the connection is gone.
    bool send(std::span<const uint8_t> packet);
    // Shuts down sending and closes without telling anyone.
    void shutdown();
    bool isConnected() const;
    // The local port of the connection, for tests and logs.
    uint16_t localPort() const { return socket_.localPort(); }
    // True while received bytes are being handed to the packet handler.
    bool handlingPacket() const { return handling_ > 0; }

  protected:
    bool event(QEvent* event) override;

  signals:
    // The server closed the connection (or it broke).
    void closedByServer();

  private:
    void onReadyRead();

    QTcpSocket socket_;
    protocol::PacketReassembler reassembler_;
    bool closing_ = false;
    int handling_ = 0;
    bool deleteWhenDone_ = false;
};

}  // namespace zemra::client
