// The client's side of the server connection: at most one ServerLink at a
// time, the logged-in flag, and the reconnect timer with its failure counter.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "client/net/server_link.h"

namespace zemra::client {

class ServerConnection : public QObject {
    Q_OBJECT
  public:
    static constexpr int kReconnectPeriodMs = 3000;
    static constexpr int kMaxFailures = 10;
    static constexpr auto kConnectTimeout = std::chrono::seconds(5);

    struct Hooks {
        ServerLink::PacketHandler onPacket;
        // A reconnect succeeded: send the re-login.
        std::function<void()> onReconnected;
        // More than kMaxFailures attempts in a row failed; no more are made.
        std::function<void()> onGaveUp;
    };

    explicit ServerConnection(Hooks hooks, QObject* parent = nullptr);
    ~ServerConnection() override;

    // A host name is resolved here, once: the link, the probes and the file
    // relay must all reach the same address.
    void setServer(const std::string& address, uint16_t port);
    // The server's dotted IPv4 address (the name as given when it did not resolve).
    const std::string& serverAddress() const { return address_; }

    // True at once when connected; otherwise connects, waiting with the event
    // loop running. A failure counts towards giving up.
    bool connectToServer();
    // Silently skipped when there is no connection.
    void send(std::span<const uint8_t> packet);
    void send(const std::vector<uint8_t>& packet) { send(std::span<const uint8_t>(packet)); }
    // Closes the connection for good (log-out, exit): no reconnect follows.
    void shutdown();

    bool connected() const { return link_ != nullptr; }
    bool loggedIn() const { return loggedIn_; }
    // The server accepted a login: logged in, and one more failure allowed
    // before giving up, as the count has always gone.
    void onLoginAccepted();
    int failureCount() const { return failures_; }
    bool reconnectPending() const { return reconnectTimer_.isActive(); }

  private:
    void onServerClosed();
    void onReconnectTick();
    void dropLink();

    Hooks hooks_;
    std::string address_ = "127.0.0.1";
    uint16_t port_ = 3000;
    std::unique_ptr<ServerLink, void (*)(ServerLink*)> link_;
    bool loggedIn_ = false;
    bool connecting_ = false;
    int failures_ = 0;
    QTimer reconnectTimer_;
};

}  // namespace zemra::client
