#include "server_link.h"

#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace zemra::client {

ServerLink::ServerLink(PacketHandler handler, QObject* parent)
    : QObject(parent),
      reassembler_(
          [this, handler = std::move(handler)](uint16_t type, std::span<const uint8_t> packet) {
              // Packets still buffered when the link was closed belong to nobody.
              if (!closing_) handler(type, packet);
          }) {
    connect(&socket_, &QTcpSocket::readyRead, this, &ServerLink::onReadyRead);
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (!closing_) emit closedByServer();
    });
}

ServerLink::~ServerLink() {
    closing_ = true;
    socket_.abort();
}

bool ServerLink::connectToServer(const std::string& address, uint16_t port,
                                 std::chrono::milliseconds timeout) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&socket_, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&socket_, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket_.connectToHost(QString::fromStdString(address), port);
    if (socket_.state() != QAbstractSocket::ConnectedState &&
        socket_.state() != QAbstractSocket::UnconnectedState) {
        timer.start(timeout);
        loop.exec();
    }
    if (socket_.state() == QAbstractSocket::ConnectedState) return true;
    closing_ = true;
    socket_.abort();
    closing_ = false;
    return false;
}

bool ServerLink::send(std::span<const uint8_t> packet) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return false;
    const qint64 written = socket_.write(reinterpret_cast<const char*>(packet.data()),
                                         static_cast<qint64>(packet.size()));
    if (written != static_cast<qint64>(packet.size())) return false;
    // Wait until the bytes have left our buffer; packets and timers go on
    // being handled meanwhile.
    if (socket_.bytesToWrite() == 0) return true;
    QEventLoop loop;
    const auto drained = connect(&socket_, &QTcpSocket::bytesWritten, &loop, [this, &loop] {
        if (socket_.bytesToWrite() == 0) loop.quit();
    });
    const auto gone = connect(&socket_, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::seconds(10), &loop, &QEventLoop::quit);
    loop.exec();
    disconnect(drained);
    disconnect(gone);
    return socket_.state() == QAbstractSocket::ConnectedState && socket_.bytesToWrite() == 0;
}

void ServerLink::shutdown() {
    closing_ = true;
    socket_.disconnectFromHost();
    socket_.abort();
}

bool ServerLink::isConnected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

bool ServerLink::event(QEvent* event) {
    // Deleted from inside its own packet handler (a nested event loop ran the
    // deferred delete): wait until the handler has returned.
    if (event->type() == QEvent::DeferredDelete && handling_ > 0) {
        deleteWhenDone_ = true;
        return true;
    }
    return QObject::event(event);
}

void ServerLink::onReadyRead() {
    ++handling_;
    // Reads of at most 10240 bytes, as many as are waiting.
    while (!closing_ && socket_.bytesAvailable() > 0) {
        const bool took = reassembler_.readFrom([this](uint8_t* into, std::size_t capacity) {
            return static_cast<std::ptrdiff_t>(
                socket_.read(reinterpret_cast<char*>(into), static_cast<qint64>(capacity)));
        });
        if (!took) break;
    }
    --handling_;
    if (handling_ == 0 && deleteWhenDone_) deleteLater();
}

}  // namespace zemra::client
