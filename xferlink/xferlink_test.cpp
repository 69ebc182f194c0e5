#include "include/xferlink.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

#include "platform/testing/temp_dir.h"
#include "platform/winmsg.h"
#include "server/file_relay.h"
#include "xferlink/transfer_session.h"

namespace zemra::xferlink {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr const char* kRelayAddress = "127.0.0.7";
constexpr uint32_t kSenderId = 1001;
constexpr uint32_t kReceiverId = 1002;
constexpr WindowHandle kSenderWindow = 0x51;
constexpr WindowHandle kReceiverWindow = 0x52;

// Window messages as the client would receive them.
struct Inbox {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::tuple<WindowHandle, uint32_t, uintptr_t>> messages;

    static void sink(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t, void* ctx) {
        auto* inbox = static_cast<Inbox*>(ctx);
        std::lock_guard lock(inbox->mutex);
        inbox->messages.emplace_back(window, message, wParam);
        inbox->changed.notify_all();
    }

    bool waitForCompletion(WindowHandle window) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] {
            for (auto& [w, m, p] : messages) {
                if (w == window && m == XFERLINK_WM_COMPLETE) return true;
            }
            return false;
        });
    }

    std::vector<uintptr_t> progressOf(WindowHandle window) {
        std::lock_guard lock(mutex);
        std::vector<uintptr_t> values;
        for (auto& [w, m, p] : messages) {
            if (w == window && m == XFERLINK_WM_PROGRESS) values.push_back(p);
        }
        return values;
    }
};

// The server's relay on its own thread, as zemrad runs it.
class RelayFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        relay = std::make_unique<server::FileRelay>(
            io, asio::ip::tcp::endpoint(asio::ip::make_address(kRelayAddress), 0));
        thread = std::thread([this] { io.run(); });
        zemra_set_window_message_sink(&Inbox::sink, &inbox);
        ASSERT_EQ(InitPort(kReceiverId, relay->port(), kRelayAddress), 1);
    }

    void TearDown() override {
        QuitSend();
        zemra_set_window_message_sink(nullptr, nullptr);
        io.stop();
        thread.join();
    }

    void expect(uint32_t token, uint32_t size) {
        asio::post(io, [=, this] { relay->expect(token, kSenderId, kReceiverId, size); });
    }

    // The sending side, as the other client's xferlink would run it.
    std::unique_ptr<TransferSession> startSender(uint32_t token, const std::filesystem::path& path,
                                                 uint32_t size) {
        TransferRequest request;
        request.serverAddress = kRelayAddress;
        request.relayPort = relay->port();
        request.ownId = kSenderId;
        request.peerId = kReceiverId;
        request.token = token;
        request.role = RelayRole::Sender;
        request.path = path;
        request.fileSize = size;
        request.window = kSenderWindow;
        return std::make_unique<TransferSession>(std::move(request));
    }

    int receive(uint32_t token, const std::filesystem::path& path, uint32_t size) {
        return StartSend(token, "127.0.0.1", kSenderId, "name", path.c_str(),
                         path.filename().c_str(), size, 0, kReceiverWindow);
    }

    asio::io_context io;
    std::unique_ptr<server::FileRelay> relay;
    std::thread thread;
    Inbox inbox;
    TempDir dir;
};

std::string randomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

TEST_F(RelayFixture, AFileArrivesWholeWithProgressAndCompletionOnBothSides) {
    const std::string content = randomBytes(3 * 1024 * 1024 + 17);
    const auto size = static_cast<uint32_t>(content.size());
    writeFile(dir / "out.bin", content);
    expect(77, size);

    ASSERT_EQ(receive(77, dir / "in.bin", size), 1);
    auto sender = startSender(77, dir / "out.bin", size);
    ASSERT_TRUE(inbox.waitForCompletion(kReceiverWindow));
    ASSERT_TRUE(inbox.waitForCompletion(kSenderWindow));

    EXPECT_EQ(readFile(dir / "in.bin"), content);
    EXPECT_FALSE(std::filesystem::exists(TransferSession::partialPath(dir / "in.bin")));
    for (WindowHandle window : {kSenderWindow, kReceiverWindow}) {
        const auto progress = inbox.progressOf(window);
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), size);
    }
    EXPECT_TRUE(sender->succeeded());
}

TEST_F(RelayFixture, AnUnknownTokenIsRefusedAndLeavesNoFile) {
    writeFile(dir / "out.bin", "data");
    expect(5, 4);
    auto sender = startSender(6, dir / "out.bin", 4);
    ASSERT_EQ(receive(6, dir / "in.bin", 4), 1);
    for (int i = 0; i < 200 && !sender->finished(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(sender->finished());
    EXPECT_FALSE(sender->succeeded());
    TermialSend(kSenderId);
    EXPECT_FALSE(std::filesystem::exists(dir / "in.bin"));
    EXPECT_FALSE(std::filesystem::exists(TransferSession::partialPath(dir / "in.bin")));
}

TEST_F(RelayFixture, AShortSourceOrAnAbortNeverLeavesAHalfFile) {
    // The sender promised more than its file holds.
    writeFile(dir / "short.bin", "only this");
    expect(8, 1000);
    ASSERT_EQ(receive(8, dir / "in.bin", 1000), 1);
    auto sender = startSender(8, dir / "short.bin", 1000);
    for (int i = 0; i < 200 && !sender->finished(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(sender->succeeded());
    TermialSend(kSenderId);  // waits for the receiving thread
    EXPECT_FALSE(std::filesystem::exists(dir / "in.bin"));
    EXPECT_FALSE(std::filesystem::exists(TransferSession::partialPath(dir / "in.bin")));

    // The receiver gives up while still waiting for its partner.
    expect(9, 10);
    ASSERT_EQ(receive(9, dir / "in2.bin", 10), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(TermialSend(kSenderId), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "in2.bin"));
    EXPECT_FALSE(std::filesystem::exists(TransferSession::partialPath(dir / "in2.bin")));
}

TEST(XferlinkTest, BadArgumentsAreRefused) {
    EXPECT_EQ(InitPort(1, 0, "127.0.0.1"), 0);
    EXPECT_EQ(InitPort(1, 3110, nullptr), 0);
    EXPECT_EQ(StartSend(1, "", 2, "name", nullptr, "", 5, 1, 0), 0);
    EXPECT_EQ(StartSend(1, "", 2, "name", "/tmp/x", "", -1, 1, 0), 0);
    EXPECT_EQ(TermialSend(123456), 0);
}

}  // namespace
}  // namespace zemra::xferlink
