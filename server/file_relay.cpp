#include "server/file_relay.h"

#include <arpa/inet.h>

#include <array>
#include <optional>
#include <vector>

namespace zemra::server {
using protocol::RelayHello;
using protocol::RelayRole;
using tcp = asio::ip::tcp;

// One side of a transfer, from its greeting until the relay pairs it. It
// holds its place under the relay's connection caps until it goes.
class RelayConnection : public std::enable_shared_from_this<RelayConnection> {
  public:
    RelayConnection(tcp::socket socket, ConnectionCaps::Ticket ticket, FileRelay& relay)
        : socket_(std::move(socket)),
          ticket_(std::move(ticket)),
          timer_(socket_.get_executor()),
          relay_(relay) {}

    void readGreeting() {
        timer_.expires_after(FileRelay::kGreetingTimeout);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (!ec) self->close();
        });
        asio::async_read(socket_, asio::buffer(greeting_),
                         [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                             self->timer_.cancel();
                             if (ec) return self->close();
                             const auto hello = RelayHello::decode(self->greeting_);
                             if (!hello) return self->refuse();
                             self->relay_.onGreeting(self, *hello);
                         });
    }

    // Tells the client no and closes once that is written.
    void refuse() {
        static const auto kRefused = protocol::encodeRelayWord(protocol::kRelayRefused);
        asio::async_write(
            socket_, asio::buffer(kRefused),
            [self = shared_from_this()](const asio::error_code&, std::size_t) { self->close(); });
    }

    void close() {
        asio::error_code ignored;
        timer_.cancel();
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }

    tcp::socket& socket() { return socket_; }
    ConnectionCaps::Ticket& ticket() { return ticket_; }

  private:
    tcp::socket socket_;
    ConnectionCaps::Ticket ticket_;
    asio::steady_timer timer_;
    FileRelay& relay_;
    std::array<uint8_t, protocol::kRelayHelloSize> greeting_{};
};

namespace {

// Two paired sockets: at most `limit` bytes flow from `from` to `to` in
// each direction; the pipe ends, closing both, when either side is done.
class RelayPipe : public std::enable_shared_from_this<RelayPipe> {
  public:
    // Once the file has passed, the receiver's last word may take this long.
    static constexpr auto kLastWordTimeout = std::chrono::seconds(60);

    RelayPipe(RelayConnection& sender, RelayConnection& receiver, uint32_t fileSize,
              const RelayLimits& limits)
        : sender_(std::move(sender.socket())),
          receiver_(std::move(receiver.socket())),
          senderTicket_(std::move(sender.ticket())),
          receiverTicket_(std::move(receiver.ticket())),
          watchTimer_(sender_.get_executor()),
          fileSize_(fileSize),
          limits_(limits) {}

    // Tells both sides to start; the bytes flow once both have been told,
    // so that no socket ever has two writes in flight.
    void start() {
        static const auto kPaired = protocol::encodeRelayWord(protocol::kRelayPaired);
        auto self = shared_from_this();
        watch();
        for (tcp::socket* socket : {&sender_, &receiver_}) {
            asio::async_write(
                *socket, asio::buffer(kPaired), [self](const asio::error_code& ec, std::size_t) {
                    if (ec) return self->closeBoth();
                    if (++self->pairedSides_ < 2) return;
                    self->forward(self->sender_, self->receiver_, self->toReceiver_,
                                  self->fileSize_, 0);
                    self->forward(self->receiver_, self->sender_, self->toSender_, 4, 0);
                });
        }
    }

  private:
    // Looks at the pipe once per window: while the file is passing it must
    // move at least the minimum; after that only the receiver's word is due.
    void watch() {
        watchTimer_.expires_after(limits_.rateWindow);
        watchTimer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (ec || self->closed_) return;
            const std::size_t moved = std::exchange(self->movedInWindow_, 0);
            if (self->filePassed_ < self->fileSize_) {
                if (moved < self->limits_.minBytesPerWindow) return self->closeBoth();
            } else {
                self->quietTime_ = moved ? std::chrono::milliseconds(0)
                                         : self->quietTime_ + self->limits_.rateWindow;
                if (self->quietTime_ >= kLastWordTimeout) return self->closeBoth();
            }
            self->watch();
        });
    }

    // Reads from `from` and writes to `to` until `limit` bytes passed. Any
    // byte beyond the limit, or an early close, ends the whole transfer.
    void forward(tcp::socket& from, tcp::socket& to, std::vector<uint8_t>& buffer, uint64_t limit,
                 uint64_t passed) {
        buffer.resize(64 * 1024);
        auto self = shared_from_this();
        from.async_read_some(asio::buffer(buffer), [self, &from, &to, &buffer, limit, passed](
                                                       const asio::error_code& ec, std::size_t n) {
            if (ec || passed + n > limit) return self->finish(passed == limit && ec);
            asio::async_write(to, asio::buffer(buffer.data(), n),
                              [self, &from, &to, &buffer, limit, passed, n](
                                  const asio::error_code& writeError, std::size_t) {
                                  if (writeError) return self->closeBoth();
                                  // Counted once written: a receiver that does
                                  // not read slows the pipe down as much as a
                                  // sender that does not write.
                                  self->movedInWindow_ += n;
                                  if (&from == &self->sender_) self->filePassed_ = passed + n;
                                  self->forward(from, to, buffer, limit, passed + n);
                              });
        });
    }

    // A direction ends: cleanly when its peer closed after sending all it
    // was allowed to, otherwise the transfer is broken and both sides go.
    void finish(bool clean) {
        if (!clean || ++closedDirections_ == 2) closeBoth();
    }

    void closeBoth() {
        if (closed_) return;
        closed_ = true;
        asio::error_code ignored;
        watchTimer_.cancel();
        sender_.shutdown(tcp::socket::shutdown_both, ignored);
        sender_.close(ignored);
        receiver_.shutdown(tcp::socket::shutdown_both, ignored);
        receiver_.close(ignored);
    }

    tcp::socket sender_;
    tcp::socket receiver_;
    ConnectionCaps::Ticket senderTicket_;
    ConnectionCaps::Ticket receiverTicket_;
    asio::steady_timer watchTimer_;
    uint32_t fileSize_;
    RelayLimits limits_;
    int pairedSides_ = 0;
    std::vector<uint8_t> toReceiver_;
    std::vector<uint8_t> toSender_;
    int closedDirections_ = 0;
    bool closed_ = false;
    uint64_t filePassed_ = 0;
    std::size_t movedInWindow_ = 0;
    std::chrono::milliseconds quietTime_{0};
};

}  // namespace

FileRelay::FileRelay(asio::io_context& io, const tcp::endpoint& endpoint, const RelayLimits& limits)
    : limits_(limits),
      caps_(limits.maxConnections, limits.maxConnectionsPerAddress),
      acceptor_(io, endpoint),
      acceptRetry_(io),
      sweepTimer_(io) {
    acceptNext();
    scheduleSweep();
}

// Clients that greeted but whose partner never came are closed when their
// transfer expires, even if no other transfer comes along to notice.
void FileRelay::scheduleSweep() {
    sweepTimer_.expires_after(std::chrono::seconds(10));
    sweepTimer_.async_wait([this](const asio::error_code& ec) {
        if (ec) return;
        dropExpired();
        scheduleSweep();
    });
}

void FileRelay::expect(uint32_t token, uint32_t senderId, uint32_t receiverId, uint32_t fileSize) {
    dropExpired();
    Pending& pending = pending_[token];
    pending =
        Pending{senderId, receiverId, fileSize, std::chrono::steady_clock::now() + kPairingWindow,
                nullptr,  nullptr};
}

void FileRelay::stop() {
    stopped_ = true;
    asio::error_code ignored;
    acceptor_.close(ignored);
    acceptRetry_.cancel();
    sweepTimer_.cancel();
    for (auto& [token, pending] : pending_) {
        if (pending.sender) pending.sender->close();
        if (pending.receiver) pending.receiver->close();
    }
    pending_.clear();
}

void FileRelay::acceptNext() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || stopped_) return;
        if (ec) {
            // Out of descriptors, most likely: wait a little instead of spinning.
            acceptRetry_.expires_after(std::chrono::milliseconds(100));
            acceptRetry_.async_wait([this](const asio::error_code& waitError) {
                if (!waitError && !stopped_) acceptNext();
            });
            return;
        }
        admit(std::move(socket));
        acceptNext();
    });
}

void FileRelay::admit(tcp::socket socket) {
    asio::error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) return;
    const uint32_t address = peer.address().is_v4() ? htonl(peer.address().to_v4().to_uint()) : 0;
    std::optional<ConnectionCaps::Ticket> ticket = caps_.admit(address);
    if (!ticket) {
        socket.close(ec);
        return;
    }
    std::make_shared<RelayConnection>(std::move(socket), std::move(*ticket), *this)->readGreeting();
}

void FileRelay::onGreeting(const std::shared_ptr<RelayConnection>& connection,
                           const RelayHello& hello) {
    dropExpired();
    const auto it = pending_.find(hello.token);
    if (it == pending_.end()) return connection->refuse();
    Pending& pending = it->second;
    const bool isSender = hello.role == RelayRole::Sender;
    const uint32_t expectedOwn = isSender ? pending.senderId : pending.receiverId;
    const uint32_t expectedPeer = isSender ? pending.receiverId : pending.senderId;
    auto& slot = isSender ? pending.sender : pending.receiver;
    if (hello.ownId != expectedOwn || hello.peerId != expectedPeer ||
        hello.fileSize != pending.fileSize || slot) {
        return connection->refuse();
    }
    slot = connection;
    if (!pending.sender || !pending.receiver) return;

    auto pipe =
        std::make_shared<RelayPipe>(*pending.sender, *pending.receiver, pending.fileSize, limits_);
    pending_.erase(it);
    pipe->start();
}

void FileRelay::dropExpired() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->second.expiry > now) {
            ++it;
            continue;
        }
        if (it->second.sender) it->second.sender->close();
        if (it->second.receiver) it->second.receiver->close();
        it = pending_.erase(it);
    }
}

}  // namespace zemra::server
