#include "server_connection.h"

#include "client/net/resolve.h"

namespace zemra::client {
namespace {

// A link may be dropped from inside its own packet or close handler, so it
// is destroyed once control is back in the event loop.
void deleteLinkLater(ServerLink* link) {
    if (link) link->deleteLater();
}

}  // namespace

ServerConnection::ServerConnection(Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), link_(nullptr, &deleteLinkLater) {
    reconnectTimer_.setInterval(kReconnectPeriodMs);
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &ServerConnection::onReconnectTick);
}

ServerConnection::~ServerConnection() {
    if (link_) link_->shutdown();
}

void ServerConnection::setServer(const std::string& address, uint16_t port) {
    address_ = resolveIpv4(address).value_or(address);
    port_ = port;
}

bool ServerConnection::connectToServer() {
    if (link_) return true;
    // Connecting waits in an event loop; a second caller meanwhile (the
    // wizard while a reconnect waits) must not open a second link.
    if (connecting_) return false;
    connecting_ = true;
    auto* link = new ServerLink(hooks_.onPacket);
    const bool connected = link->connectToServer(address_, port_, kConnectTimeout);
    connecting_ = false;
    if (!connected) {
        link->deleteLater();
        if (++failures_ > kMaxFailures && hooks_.onGaveUp) hooks_.onGaveUp();
        return false;
    }
    connect(link, &ServerLink::closedByServer, this, &ServerConnection::onServerClosed);
    link_.reset(link);
    return true;
}

void ServerConnection::send(std::span<const uint8_t> packet) {
    if (link_) link_->send(packet);
}

void ServerConnection::shutdown() {
    reconnectTimer_.stop();
    if (link_) link_->shutdown();
    dropLink();
}

void ServerConnection::onLoginAccepted() {
    loggedIn_ = true;
    ++failures_;
}

void ServerConnection::onServerClosed() {
    if (link_) link_->shutdown();
    dropLink();
    reconnectTimer_.start();
}

void ServerConnection::onReconnectTick() {
    reconnectTimer_.stop();
    if (failures_ > kMaxFailures) return;
    if (!connectToServer()) {
        // The last allowed attempt has just failed: no timer is left behind.
        if (failures_ <= kMaxFailures) reconnectTimer_.start();
        return;
    }
    failures_ = 0;
    if (hooks_.onReconnected) hooks_.onReconnected();
}

void ServerConnection::dropLink() {
    link_.reset();
    loggedIn_ = false;
}

}  // namespace zemra::client
