// Messages kept for an offline user leave the store only once they have
// been written to him: a client that dies right after logging in gets them
// all at its next login.
#include <gtest/gtest.h>

#include <thread>

#include "protocol/message_packets.h"
#include "protocol/simple_packets.h"
#include "tests/integration/live_server.h"

namespace zemra::integration {
namespace {

using namespace protocol;
using namespace std::chrono_literals;

std::vector<std::string> storedTexts(TestClient& client) {
    std::vector<std::string> texts;
    while (const auto stored = client.waitFor(PT_MESSAGE_PASSIVE, 500ms)) {
        texts.push_back(parseMessage(*stored).text);
    }
    return texts;
}

TEST(OfflineDeliveryTest, AClientKilledRightAfterItsLoginLosesNoneOfItsStoredMessages) {
    LiveServer server("127.0.13.1");
    ASSERT_TRUE(server.process.start()) << server.process.log();
    const uint32_t readerId = server.newUser("reader");
    const uint32_t writerId = server.newUser("writer");
    {
        auto writer = server.loggedIn(writerId);
        ASSERT_TRUE(writer);
        for (int i = 0; i < 5; ++i)
            writer->send(textMessage(readerId, "note " + std::to_string(i)));
        writer->send(buildHeaderOnly(PT_ANNOUNCE));
        ASSERT_TRUE(writer->waitFor(PT_ANNOUNCE_ACK));  // all five are stored
    }

    const auto count = [&](const std::string& what) {
        const std::string log = server.process.log();
        std::size_t found = 0;
        for (auto at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) {
            ++found;
        }
        return found;
    };
    const auto waitForCount = [&](const std::string& what, std::size_t wanted) {
        for (int i = 0; i < 100 && count(what) < wanted; ++i) std::this_thread::sleep_for(20ms);
        return count(what) >= wanted;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::size_t connected = count("connect #");
        const std::size_t closed = count("close #");
        TestClient doomed(server.address());
        // Accepted first, so that the login is read before the reset.
        ASSERT_TRUE(waitForCount("connect #", connected + 1)) << server.process.log();
        ASSERT_TRUE(doomed.send(loginPacket(readerId, "pw")));
        doomed.abort();  // gone before reading a byte
        ASSERT_TRUE(waitForCount("close #", closed + 1)) << server.process.log();
    }
    std::this_thread::sleep_for(200ms);  // their password checks end meanwhile

    auto reader = server.loggedIn(readerId);
    ASSERT_TRUE(reader);
    EXPECT_EQ(storedTexts(*reader),
              (std::vector<std::string>{"note 0", "note 1", "note 2", "note 3", "note 4"}));
    reader->close();
    // Written to a client that read them: gone from the store.
    std::this_thread::sleep_for(200ms);
    reader = server.loggedIn(readerId);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(storedTexts(*reader).empty());
}

}  // namespace
}  // namespace zemra::integration
