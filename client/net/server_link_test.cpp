#include "client/net/server_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

using namespace std::chrono_literals;

void pumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

TEST(ServerLink, ALinkDroppedInsideItsOwnPacketHandlerLivesUntilTheHandlerReturns) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress("127.0.4.22"), 0));
    QPointer<ServerLink> link;
    int packets = 0;
    bool aliveAfterDrop = false;
    link = new ServerLink([&](uint16_t, std::span<const uint8_t>) {
        if (++packets > 1) return;
        // What a message box does: run the event loop, in which the user
        // logs off, so the owner closes the link and lets go of it.
        QTimer::singleShot(0, [&] {
            link->shutdown();
            link->deleteLater();
        });
        pumpUntil([] { return false; }, 100);  // the deferred delete may run here
        aliveAfterDrop = !link.isNull();
    });
    ASSERT_TRUE(link->connectToServer("127.0.4.22", server.serverPort(), 2s));
    pumpUntil([&] { return server.hasPendingConnections(); }, 2000);
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_NE(peer, nullptr);
    // Two packets in one write: the second is still buffered when the first
    // one's handler sees the link go.
    auto bytes = protocol::buildHeaderOnly(protocol::PT_ANNOUNCE_ACK);
    const auto second = bytes;
    bytes.insert(bytes.end(), second.begin(), second.end());
    peer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    peer->flush();
    pumpUntil([&] { return link.isNull(); }, 3000);

    EXPECT_EQ(packets, 1);  // nothing more from a closed link
    EXPECT_TRUE(aliveAfterDrop);
    EXPECT_TRUE(link.isNull());  // and gone once the handler had returned
}

}  // namespace
}  // namespace zemra::client
