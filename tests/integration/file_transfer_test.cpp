// A file offered, accepted and moved through the server's relay by xferlink.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sodium.h>

#include <condition_variable>
#include <mutex>
#include <random>

#include "include/xferlink.h"
#include "platform/testing/temp_dir.h"
#include "platform/winmsg.h"
#include "protocol/file_packets.h"
#include "protocol/relay_hello.h"
#include "protocol/simple_packets.h"
#include "tests/integration/live_server.h"
#include "xferlink/transfer_session.h"

namespace zemra::integration {
namespace {

using namespace protocol;

constexpr WindowHandle kSenderWindow = 0x71;
constexpr WindowHandle kReceiverWindow = 0x72;

// The window messages xferlink posts, as the client's windows would get them.
struct Inbox {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<WindowHandle, uint32_t>> messages;

    static void sink(uintptr_t window, uint32_t message, uintptr_t, intptr_t, void* context) {
        auto* inbox = static_cast<Inbox*>(context);
        std::lock_guard lock(inbox->mutex);
        inbox->messages.emplace_back(window, message);
        inbox->changed.notify_all();
    }

    bool waitForCompletion(WindowHandle window) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] {
            for (const auto& [w, m] : messages) {
                if (w == window && m == XFERLINK_WM_COMPLETE) return true;
            }
            return false;
        });
    }
};

std::string sha256Of(const std::filesystem::path& path) {
    const std::string bytes = testing::readFile(path);
    std::string digest(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256(reinterpret_cast<unsigned char*>(digest.data()),
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return digest;
}

TEST(FileTransferTest, FiveMegabytesArriveWithTheSameSha256) {
    LiveServer server("127.0.3.6");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t senderId = server.newUser("sender");
    const uint32_t receiverId = server.newUser("receiver");
    auto sender = server.loggedIn(senderId);
    auto receiver = server.loggedIn(receiverId);
    ASSERT_TRUE(sender && receiver);

    std::string content(5 * 1024 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : content) c = static_cast<char>(random());
    const auto source = server.dir / "holiday.avi";
    const auto target = server.dir / "received.avi";
    testing::writeFile(source, content);
    const auto size = static_cast<uint32_t>(content.size());

    // Negotiation: offer, accept, and both sides learn the other and the token.
    sender->send(buildFilePropose({"holiday.avi", "pictures", receiverId, size, ""}));
    const auto offer = receiver->waitFor(PT_FILE_OFFER);
    ASSERT_TRUE(offer);
    EXPECT_EQ(parseFileOffer(*offer),
              (FileOffer{"holiday.avi", "pictures", senderId, size, "sender"}));
    receiver->send(buildUserIdPacket(PT_FILE_ACCEPT, senderId));
    const auto toSender = sender->waitFor(PT_FILE_PEER);
    const auto toReceiver = receiver->waitFor(PT_FILE_PEER);
    ASSERT_TRUE(toSender && toReceiver);
    const FilePeer senderView = parseFilePeer(*toSender);
    const FilePeer receiverView = parseFilePeer(*toReceiver);
    EXPECT_EQ(senderView.valueAt32, receiverId);
    EXPECT_EQ(receiverView.valueAt32, senderId);
    EXPECT_EQ(senderView.valueAt40, receiverView.valueAt40);
    EXPECT_EQ(receiverView.peerAddress, htonl(INADDR_LOOPBACK));

    Inbox inbox;
    zemra_set_window_message_sink(&Inbox::sink, &inbox);
    // The receiving client through the library's own entry points...
    ASSERT_EQ(InitPort(receiverId, kFileRelayPort, server.address().c_str()), 1);
    char peerText[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &receiverView.peerAddress, peerText, sizeof peerText);
    ASSERT_EQ(StartSend(receiverView.valueAt40, peerText, receiverView.valueAt32, "name",
                        target.c_str(), "holiday.avi", size, 0, kReceiverWindow),
              1);
    // ...and the sending client as a session of its own (one own ID per process).
    xferlink::TransferRequest request;
    request.serverAddress = server.address();
    request.ownId = senderId;
    request.peerId = senderView.valueAt32;
    request.token = senderView.valueAt40;
    request.role = xferlink::RelayRole::Sender;
    request.path = source;
    request.fileSize = size;
    request.window = kSenderWindow;
    auto sending = std::make_unique<xferlink::TransferSession>(request);

    const bool receiverDone = inbox.waitForCompletion(kReceiverWindow);
    const bool senderDone = inbox.waitForCompletion(kSenderWindow);
    QuitSend();
    sending.reset();
    zemra_set_window_message_sink(nullptr, nullptr);
    ASSERT_TRUE(receiverDone);
    ASSERT_TRUE(senderDone);
    EXPECT_EQ(sha256Of(target), sha256Of(source));
    EXPECT_EQ(std::filesystem::file_size(target), size);
}

}  // namespace
}  // namespace zemra::integration
