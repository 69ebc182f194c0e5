#include "server/probe_listener.h"

#include <netinet/in.h>

namespace zemra::server {

ProbeListener::ProbeListener(asio::io_context& io, const asio::ip::udp::endpoint& endpoint,
                             uint16_t channel, Handler handler)
    : socket_(io), channel_(channel), handler_(std::move(handler)) {
    socket_.open(endpoint.protocol());
    socket_.set_option(asio::socket_base::reuse_address(true));
    socket_.bind(endpoint);
    receiveNext();
}

void ProbeListener::close() {
    asio::error_code ignored;
    socket_.close(ignored);
}

void ProbeListener::receiveNext() {
    socket_.async_receive_from(
        asio::buffer(buffer_), sender_, [this](const asio::error_code& ec, std::size_t count) {
            if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
            if (!ec && sender_.address().is_v4()) {
                handler_(channel_, htonl(sender_.address().to_v4().to_uint()), sender_.port(),
                         std::span(buffer_.data(), count));
            }
            receiveNext();
        });
}

}  // namespace zemra::server
