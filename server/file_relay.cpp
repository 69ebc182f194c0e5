#include "file_relay.h"

#include <array>
#include <vector>

namespace zemra::server {
using protocol::RelayHello;
using protocol::RelayRole;
using tcp = asio::ip::tcp;

// One side of a transfer, from its greeting until the relay pairs it.
class RelayConnection : public std::enable_shared_from_this<RelayConnection> {
  public:
    RelayConnection(tcp::socket socket, FileRelay& relay)
        : socket_(std::move(socket)), timer_(socket_.get_executor()), relay_(relay) {}

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

  private:
    tcp::socket socket_;
    asio::steady_timer timer_;
    FileRelay& relay_;
    std::array<uint8_t, protocol::kRelayHelloSize> greeting_{};
};

namespace {

// Two paired sockets: at most `limit` bytes flow from `from` to `to` in
// each direction; the pipe ends, closing both, when either side is done.
class RelayPipe : public std::enable_shared_from_this<RelayPipe> {
  public:
    // A transfer with no bytes moving for this long is dead; both sides go.
    static constexpr auto kIdleTimeout = std::chrono::seconds(60);

    RelayPipe(tcp::socket sender, tcp::socket receiver, uint32_t fileSize)
        : sender_(std::move(sender)),
          receiver_(std::move(receiver)),
          idleTimer_(sender_.get_executor()),
          fileSize_(fileSize) {}

    // Tells both sides to start; the bytes flow once both have been told,
    // so that no socket ever has two writes in flight.
    void start() {
        static const auto kPaired = protocol::encodeRelayWord(protocol::kRelayPaired);
        auto self = shared_from_this();
        armIdleTimer();
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
    void armIdleTimer() {
        idleTimer_.expires_after(kIdleTimeout);
        idleTimer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (!ec) self->closeBoth();
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
            self->armIdleTimer();
            asio::async_write(to, asio::buffer(buffer.data(), n),
                              [self, &from, &to, &buffer, limit, passed, n](
                                  const asio::error_code& writeError, std::size_t) {
                                  if (writeError) return self->closeBoth();
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
        asio::error_code ignored;
        idleTimer_.cancel();
        sender_.shutdown(tcp::socket::shutdown_both, ignored);
        sender_.close(ignored);
        receiver_.shutdown(tcp::socket::shutdown_both, ignored);
        receiver_.close(ignored);
    }

    tcp::socket sender_;
    tcp::socket receiver_;
    asio::steady_timer idleTimer_;
    uint32_t fileSize_;
    int pairedSides_ = 0;
    std::vector<uint8_t> toReceiver_;
    std::vector<uint8_t> toSender_;
    int closedDirections_ = 0;
};

}  // namespace

FileRelay::FileRelay(asio::io_context& io, const tcp::endpoint& endpoint)
    : io_(io), acceptor_(io, endpoint), sweepTimer_(io) {
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
    asio::error_code ignored;
    acceptor_.close(ignored);
    sweepTimer_.cancel();
    for (auto& [token, pending] : pending_) {
        if (pending.sender) pending.sender->close();
        if (pending.receiver) pending.receiver->close();
    }
    pending_.clear();
}

void FileRelay::acceptNext() {
    acceptor_.async_accept([this](const asio::error_code& ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) std::make_shared<RelayConnection>(std::move(socket), *this)->readGreeting();
        acceptNext();
    });
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
        std::make_shared<RelayPipe>(std::move(pending.sender->socket()),
                                    std::move(pending.receiver->socket()), pending.fileSize);
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
