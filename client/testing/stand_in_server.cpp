#include "client/testing/stand_in_server.h"

namespace zemra::client::testing {

StandInServer::StandInServer(const QString& address, uint16_t port, Handler handler)
    : handler_(std::move(handler)) {
    server_.listen(QHostAddress(address), port);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        QTcpSocket* socket = server_.nextPendingConnection();
        auto connection = std::make_unique<Connection>(
            socket, [this, socket](uint16_t type, std::span<const uint8_t> packet) {
                handler_(type, packet, *socket);
            });
        Connection* raw = connection.get();
        connections_.push_back(std::move(connection));
        QObject::connect(socket, &QTcpSocket::readyRead, [socket, raw] {
            const QByteArray bytes = socket->readAll();
            raw->reassembler.onRead({reinterpret_cast<const uint8_t*>(bytes.data()),
                                     static_cast<std::size_t>(bytes.size())});
        });
    });
}

void StandInServer::answer(QTcpSocket& client, const std::vector<uint8_t>& packet) {
    client.write(reinterpret_cast<const char*>(packet.data()), static_cast<qint64>(packet.size()));
}

}  // namespace zemra::client::testing
