#include "server/client_connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace zemra::server {

using asio::ip::tcp;

namespace {

// Dead peers (pulled cables, crashed hosts) are found by the kernel within
// about 90 s; clients send nothing on an idle link once logged in.
void enableKeepAlive(tcp::socket& socket) {
    const int fd = socket.native_handle();
    const int on = 1, idle = 60, interval = 10, count = 3;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

}  // namespace

ClientConnection::ClientConnection(tcp::socket socket, ConnectionId id, ConnectionOwner& owner,
                                   const ConnectionLimits& limits)
    : socket_(std::move(socket)),
      loginTimer_(socket_.get_executor()),
      id_(id),
      owner_(owner),
      limits_(limits),
      rate_(limits.packetsPerSecond, limits.packetBurst),
      reassembler_([this](uint16_t, std::span<const uint8_t> packet) { onPacket(packet); }),
      readBuffer_(protocol::PacketReassembler::kMaxRead) {
    asio::error_code ec;
    const tcp::endpoint peer = socket_.remote_endpoint(ec);
    if (!ec) {
        peerText_ = peer.address().to_string() + ":" + std::to_string(peer.port());
        if (peer.address().is_v4()) {
            peerAddress_ = htonl(peer.address().to_v4().to_uint());
        }
    }
    socket_.set_option(tcp::no_delay(true), ec);
    enableKeepAlive(socket_);
}

void ClientConnection::start() {
    startLoginTimer();
    readNext();
}

void ClientConnection::startLoginTimer() {
    loginTimer_.expires_after(limits_.loginTimeout);
    loginTimer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec && !self->loggedIn_) self->close("no login in time");
    });
}

void ClientConnection::setLoggedIn() {
    if (loggedIn_) return;
    loggedIn_ = true;
    loginTimer_.cancel();
}

void ClientConnection::readNext() {
    socket_.async_read_some(
        asio::buffer(readBuffer_),
        [self = shared_from_this()](const asio::error_code& ec, std::size_t count) {
            if (self->closed_) return;
            if (ec) {
                return self->close(ec == asio::error::eof ? "closed by peer" : ec.message());
            }
            self->bytesFed_ += count;
            self->reassembler_.onRead(std::span(self->readBuffer_.data(), count));
            if (self->closed_) return;
            if (self->bytesFed_ != self->bytesDispatched_ + self->reassembler_.held()) {
                return self->close("packet longer than the protocol allows");
            }
            self->readNext();
        });
}

void ClientConnection::onPacket(std::span<const uint8_t> packet) {
    bytesDispatched_ += packet.size();
    // Whatever follows a rule broken in the same read is not looked at.
    if (closed_ || closeWhenFlushed_) return;
    if (!rate_.take()) return close("packet flood");
    owner_.onPacket(id_, packet);
}

void ClientConnection::send(std::vector<uint8_t> packet) {
    if (closed_ || closeWhenFlushed_) return;
    queuedBytes_ += packet.size();
    if (queuedBytes_ > limits_.maxQueuedBytes) return close("not reading its packets");
    queue_.push_back(std::move(packet));
    if (!writing_) writeNext();
}

void ClientConnection::writeNext() {
    if (closed_) return;
    if (queue_.empty()) {
        writing_ = false;
        if (closeWhenFlushed_) close(closeReason_);
        return;
    }
    writing_ = true;
    inFlight_.clear();
    std::vector<asio::const_buffer> buffers;
    while (!queue_.empty() && buffers.size() < 64) {
        inFlight_.push_back(std::move(queue_.front()));
        queue_.pop_front();
        buffers.push_back(asio::buffer(inFlight_.back()));
    }
    asio::async_write(socket_, buffers,
                      [self = shared_from_this()](const asio::error_code& ec, std::size_t bytes) {
                          if (self->closed_) return;
                          if (ec) return self->close("write failed: " + ec.message());
                          self->queuedBytes_ -= bytes;
                          self->writeNext();
                      });
}

void ClientConnection::closeAfterFlush(const std::string& reason) {
    if (closed_ || closeWhenFlushed_) return;
    closeWhenFlushed_ = true;
    closeReason_ = reason;
    if (!writing_) close(reason);
}

void ClientConnection::close(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    asio::error_code ignored;
    loginTimer_.cancel();
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    queue_.clear();
    // Reported from the event loop, never from inside whatever called us.
    asio::post(socket_.get_executor(),
               [self = shared_from_this(), reason] { self->owner_.onClosed(self->id_, reason); });
}

}  // namespace zemra::server
