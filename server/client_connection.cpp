#include "server/client_connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <array>

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
      flushTimer_(socket_.get_executor()),
      id_(id),
      owner_(owner),
      limits_(limits),
      rate_(limits.packetsPerSecond, limits.packetBurst) {
    asio::error_code ec;
    const tcp::endpoint peer = socket_.remote_endpoint(ec);
    if (!ec) {
        peerText_ = peer.address().to_string() + ":" + std::to_string(peer.port());
        if (peer.address().is_v4()) {
            peerAddress_ = htonl(peer.address().to_v4().to_uint());
        }
    }
    socket_.set_option(tcp::no_delay(true), ec);
    // Reads happen when the socket says it has bytes; they must never block.
    socket_.non_blocking(true, ec);
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

// Waits for bytes without a buffer of its own.
void ClientConnection::readNext() {
    socket_.async_wait(tcp::socket::wait_read,
                       [self = shared_from_this()](const asio::error_code& ec) {
                           if (self->closed_) return;
                           if (ec) return self->close(ec.message());
                           self->readAvailable();
                       });
}

void ClientConnection::readAvailable() {
    asio::error_code readError;
    const auto readSome = [&](uint8_t* into, std::size_t capacity) {
        const std::size_t count = socket_.read_some(asio::buffer(into, capacity), readError);
        if (readError) return std::ptrdiff_t{-1};
        bytesFed_ += count;
        return static_cast<std::ptrdiff_t>(count);
    };
    const bool got = reassembler_ ? reassembler_->readFrom(readSome) : readWithoutBuffer(readSome);
    if (closed_) return;
    if (!got) {
        if (readError == asio::error::would_block || readError == asio::error::try_again) {
            return readNext();
        }
        return close(readError == asio::error::eof || !readError ? "closed by peer"
                                                                 : readError.message());
    }
    const std::size_t held = reassembler_ ? reassembler_->held() : 0;
    if (bytesFed_ != bytesDispatched_ + held) {
        return close("packet longer than the protocol allows");
    }
    if (reassembler_ && held == 0) reassembler_.reset();
    readNext();
}

// Most reads end on a packet boundary, so they are cut into packets in a
// buffer all connections share; only a partial packet left at the end needs
// a reassembler of this connection's own.
bool ClientConnection::readWithoutBuffer(const protocol::PacketReassembler::ReadFunction& read) {
    thread_local std::array<uint8_t, protocol::PacketReassembler::kMaxRead> shared;
    const std::ptrdiff_t count = read(shared.data(), shared.size());
    if (count <= 0) return false;
    const std::span<const uint8_t> bytes(shared.data(), static_cast<std::size_t>(count));
    const protocol::PacketReassembler::Handler handler =
        [this](uint16_t, std::span<const uint8_t> packet) { onPacket(packet); };
    const std::size_t taken = protocol::PacketReassembler::dispatchWhole(bytes, handler, true);
    if (taken < bytes.size() && !closed_) {
        reassembler_ = std::make_unique<protocol::PacketReassembler>(handler);
        reassembler_->onRead(bytes.subspan(taken));
    }
    return true;
}

void ClientConnection::onPacket(std::span<const uint8_t> packet) {
    bytesDispatched_ += packet.size();
    // Whatever follows a rule broken in the same read is not looked at.
    if (closed_ || closeWhenFlushed_) return;
    if (!rate_.take()) return close("packet flood");
    owner_.onPacket(id_, packet);
}

void ClientConnection::send(std::vector<uint8_t> packet, uint64_t receipt) {
    if (closed_ || closeWhenFlushed_) {
        if (receipt) reportLost({Queued{{}, receipt}});
        return;
    }
    queuedBytes_ += packet.size();
    queue_.push_back({std::move(packet), receipt});
    if (queuedBytes_ > limits_.maxQueuedBytes) return close("not reading its packets");
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
        buffers.push_back(asio::buffer(inFlight_.back().bytes));
    }
    asio::async_write(socket_, buffers,
                      [self = shared_from_this()](const asio::error_code& ec, std::size_t bytes) {
                          if (self->closed_) return;
                          if (ec) return self->close("write failed: " + ec.message());
                          self->queuedBytes_ -= bytes;
                          std::vector<uint64_t> receipts;
                          for (const Queued& sent : self->inFlight_) {
                              if (sent.receipt) receipts.push_back(sent.receipt);
                          }
                          self->inFlight_.clear();
                          if (!receipts.empty()) self->owner_.onWritten(self->id_, receipts, true);
                          self->writeNext();
                      });
}

void ClientConnection::closeAfterFlush(const std::string& reason) {
    if (closed_ || closeWhenFlushed_) return;
    closeWhenFlushed_ = true;
    closeReason_ = reason;
    if (!writing_) return close(reason);
    // A peer that does not read would otherwise keep the socket for ever.
    flushTimer_.expires_after(limits_.flushDeadline);
    flushTimer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec) self->close(self->closeReason_ + " (not flushed in time)");
    });
}

void ClientConnection::reportLost(const std::vector<Queued>& packets) {
    std::vector<uint64_t> receipts;
    for (const Queued& packet : packets) {
        if (packet.receipt) receipts.push_back(packet.receipt);
    }
    if (receipts.empty()) return;
    asio::post(socket_.get_executor(), [self = shared_from_this(), receipts] {
        self->owner_.onWritten(self->id_, receipts, false);
    });
}

void ClientConnection::close(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    asio::error_code ignored;
    loginTimer_.cancel();
    flushTimer_.cancel();
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    // Whatever was not written is reported lost before the close itself.
    std::vector<Queued> unwritten = std::move(inFlight_);
    for (Queued& queued : queue_) unwritten.push_back(std::move(queued));
    queue_.clear();
    inFlight_.clear();
    reportLost(unwritten);
    // Reported from the event loop, never from inside whatever called us.
    asio::post(socket_.get_executor(),
               [self = shared_from_this(), reason] { self->owner_.onClosed(self->id_, reason); });
}

}  // namespace zemra::server
