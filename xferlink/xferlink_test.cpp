#include "include/xferlink.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
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
    // A message for this window keeps the posting thread in the sink until
    // release(), as a slow receiver of messages would.
    WindowHandle held = 0;

    static void sink(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t, void* ctx) {
        auto* inbox = static_cast<Inbox*>(ctx);
        std::unique_lock lock(inbox->mutex);
        inbox->messages.emplace_back(window, message, wParam);
        inbox->changed.notify_all();
        inbox->changed.wait(lock, [&] { return inbox->held != window; });
    }

    void hold(WindowHandle window) {
        std::lock_guard lock(mutex);
        held = window;
    }

    void release() {
        std::lock_guard lock(mutex);
        held = 0;
        changed.notify_all();
    }

    bool waitForAny(WindowHandle window) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] {
            for (auto& [w, m, p] : messages) {
                if (w == window) return true;
            }
            return false;
        });
    }

    std::size_t countFor(WindowHandle window) {
        std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count_if(
            messages.begin(), messages.end(), [&](auto& m) { return std::get<0>(m) == window; }));
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
        inbox.release();
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

    int receive(uint32_t token, const std::filesystem::path& path, uint32_t size,
                WindowHandle window = kReceiverWindow) {
        return StartSend(token, "127.0.0.1", kSenderId, "name", path.c_str(),
                         path.filename().c_str(), size, 0, window);
    }

    // The names in the test's folder, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    asio::io_context io;
    std::unique_ptr<server::FileRelay> relay;
    std::thread thread;
    Inbox inbox;
    TempDir dir;
};

std::string randomBytes(std::size_t size, unsigned seed = 42) {
    std::mt19937 random(seed);
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
    EXPECT_EQ(files(), (std::vector<std::string>{"in.bin", "out.bin"}));
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
    EXPECT_EQ(files(), std::vector<std::string>{"out.bin"});
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
    EXPECT_EQ(files(), std::vector<std::string>{"short.bin"});

    // The receiver gives up while still waiting for its partner.
    expect(9, 10);
    ASSERT_EQ(receive(9, dir / "in2.bin", 10), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(TermialSend(kSenderId), 1);
    EXPECT_EQ(files(), std::vector<std::string>{"short.bin"});
}

TEST_F(RelayFixture, AnAbortMidFileLeavesNothingUnderTheFinalName) {
    const std::string content = randomBytes(4 * 1024 * 1024);
    const auto size = static_cast<uint32_t>(content.size());
    writeFile(dir / "out.bin", content);
    expect(21, size);
    // The receiving thread stops in its first progress report: part of the
    // file is on disk.
    inbox.hold(kReceiverWindow);
    ASSERT_EQ(receive(21, dir / "in.bin", size), 1);
    auto sender = startSender(21, dir / "out.bin", size);
    ASSERT_TRUE(inbox.waitForAny(kReceiverWindow));
    const auto during = files();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_TRUE(TransferSession::isPartialName(during[0])) << during[0];
    EXPECT_GT(std::filesystem::file_size(dir / during[0]), 0u);

    std::thread ending([] { TermialSend(kSenderId); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    inbox.release();
    ending.join();
    EXPECT_EQ(files(), std::vector<std::string>{"out.bin"});
}

TEST_F(RelayFixture, AFileBesideTheTargetWithAPartialLookingNameIsLeftAlone) {
    const std::string content = randomBytes(100 * 1024);
    const auto size = static_cast<uint32_t>(content.size());
    writeFile(dir / "out.bin", content);
    writeFile(dir / "in.bin.part", "the user's own");
    writeFile(dir / ".in.bin.XXXXXX.part", "the user's too");
    expect(31, size);
    ASSERT_EQ(receive(31, dir / "in.bin", size), 1);
    auto sender = startSender(31, dir / "out.bin", size);
    ASSERT_TRUE(inbox.waitForCompletion(kReceiverWindow));
    EXPECT_EQ(readFile(dir / "in.bin"), content);
    EXPECT_EQ(readFile(dir / "in.bin.part"), "the user's own");
    EXPECT_EQ(readFile(dir / ".in.bin.XXXXXX.part"), "the user's too");
}

TEST_F(RelayFixture, StartsForOnePeerTakeTurnsAndTheLastStartWins) {
    constexpr WindowHandle kFirst = 0x61, kSecond = 0x62, kThird = 0x63;
    constexpr std::size_t kSize = 2 * 1024 * 1024;
    const auto size = static_cast<uint32_t>(kSize);
    const std::string contents[] = {randomBytes(kSize, 1), randomBytes(kSize, 2),
                                    randomBytes(kSize, 3)};
    for (int i = 0; i < 3; ++i) {
        writeFile(dir / ("out" + std::to_string(i)), contents[i]);
        expect(41 + i, size);
    }
    // The first transfer runs and its thread is held in a progress report.
    inbox.hold(kFirst);
    ASSERT_EQ(receive(41, dir / "in.bin", size, kFirst), 1);
    auto firstSender = startSender(41, dir / "out0", size);
    ASSERT_TRUE(inbox.waitForAny(kFirst));
    // The senders of the next two wait at the relay, so that a receiver that
    // starts streams at once.
    auto secondSender = startSender(42, dir / "out1", size);
    auto thirdSender = startSender(43, dir / "out2", size);

    // One start replaces the first transfer and waits for it to end...
    std::thread replacing([&] { receive(42, dir / "in.bin", size, kSecond); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // ...and a start that comes meanwhile must wait its turn.
    std::thread later([&] { receive(43, dir / "in.bin", size, kThird); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(inbox.countFor(kSecond), 0u);
    EXPECT_EQ(inbox.countFor(kThird), 0u);

    inbox.release();
    replacing.join();
    later.join();
    ASSERT_TRUE(inbox.waitForCompletion(kThird));
    EXPECT_EQ(readFile(dir / "in.bin"), contents[2]);
    EXPECT_EQ(files(), (std::vector<std::string>{"in.bin", "out0", "out1", "out2"}));
}

TEST_F(RelayFixture, ASenderKeepsToTheRateSetInTheEnvironment) {
    const std::string content = randomBytes(1024 * 1024);
    const auto size = static_cast<uint32_t>(content.size());
    writeFile(dir / "out.bin", content);
    expect(51, size);
    ASSERT_EQ(receive(51, dir / "in.bin", size), 1);
    ::setenv("ZEMRA_XFER_RATE", "2000000", 1);
    const auto start = std::chrono::steady_clock::now();
    auto sender = startSender(51, dir / "out.bin", size);
    const bool done = inbox.waitForCompletion(kReceiverWindow);
    const auto took = std::chrono::steady_clock::now() - start;
    ::unsetenv("ZEMRA_XFER_RATE");
    ASSERT_TRUE(done);
    EXPECT_GE(took, std::chrono::milliseconds(450));
    EXPECT_EQ(readFile(dir / "in.bin"), content);
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
