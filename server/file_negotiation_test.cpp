#include "server/file_negotiation.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "protocol/file_packets.h"
#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

class FileNegotiationTest : public RulesFixture {
  protected:
    Outbox offer(const TestClient& from, const TestClient& to, uint32_t size = 5000) {
        return send(from, buildFilePropose({"report.pdf", "for you", to.id, size, ""}));
    }
};

TEST_F(FileNegotiationTest, AnAcceptedOfferAnnouncesOneTokenToBothSidesAndTheRelay) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    Outbox out = offer(a, b, 5 * 1024 * 1024);
    const FileOffer offered = parseFileOffer(packetsTo(out, b.connection, PT_FILE_OFFER).at(0));
    EXPECT_EQ(offered, (FileOffer{"report.pdf", "for you", a.id, 5 * 1024 * 1024, "a"}));

    out = send(b, buildUserIdPacket(PT_FILE_ACCEPT, a.id));
    ASSERT_EQ(out.transfers().size(), 1u);
    const Outbox::Transfer transfer = out.transfers()[0];
    EXPECT_EQ(transfer.senderId, a.id);
    EXPECT_EQ(transfer.receiverId, b.id);
    EXPECT_EQ(transfer.fileSize, 5u * 1024 * 1024);
    EXPECT_NE(transfer.token, 0u);
    const FilePeer toA = parseFilePeer(packetsTo(out, a.connection, PT_FILE_PEER).at(0));
    const FilePeer toB = parseFilePeer(packetsTo(out, b.connection, PT_FILE_PEER).at(0));
    EXPECT_EQ(toA, (FilePeer{loopback(), b.id, transfer.token}));
    EXPECT_EQ(toB, (FilePeer{loopback(), a.id, transfer.token}));

    // Accepted once only; an abort afterwards reaches the other side.
    EXPECT_TRUE(send(b, buildUserIdPacket(PT_FILE_ACCEPT, a.id)).empty());
    out = send(b, buildUserIdPacket(PT_FILE_ABORT, a.id));
    EXPECT_EQ(parseUserId(packetsTo(out, a.connection, PT_FILE_NOTICE_ABORTED).at(0)), b.id);
    // Someone who never had a transfer with a cannot abort his.
    TestClient c = registerUser("c");
    EXPECT_TRUE(send(c, buildUserIdPacket(PT_FILE_ABORT, a.id)).packets().empty());
}

TEST_F(FileNegotiationTest, EveryOtherOutcomeReachesTheOtherSide) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    TestClient gone = registerUser("gone");
    logout(gone);

    Outbox out = offer(a, gone);
    EXPECT_EQ(parseUserId(packetsTo(out, a.connection, PT_FILE_NOTICE_OFFLINE).at(0)), gone.id);

    offer(a, b);
    out = send(b, buildUserIdPacket(PT_FILE_REFUSE, a.id));
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_FILE_NOTICE_REFUSED});

    offer(a, b);
    out = send(b, buildUserIdPacket(PT_FILE_BUSY, a.id));
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_FILE_NOTICE_REFUSED});

    offer(a, b);
    out = send(a, buildUserIdPacket(PT_FILE_CANCEL, b.id));
    EXPECT_EQ(parseUserId(packetsTo(out, b.connection, PT_FILE_NOTICE_CANCELLED).at(0)), a.id);
    EXPECT_TRUE(send(b, buildUserIdPacket(PT_FILE_ACCEPT, a.id)).empty());

    offer(a, b);
    EXPECT_EQ(typesTo(logout(a), b.connection), std::vector<uint16_t>{PT_FILE_NOTICE_CANCELLED});
    login(a);
    offer(a, b);
    EXPECT_EQ(typesTo(logout(b), a.connection), std::vector<uint16_t>{PT_FILE_NOTICE_OFFLINE});
}

// An MT19937 output is a tempered word of its state; 624 consecutive
// outputs give the state back, and with it every later output.
uint32_t untemper(uint32_t y) {
    y ^= y >> 18;
    y ^= (y << 15) & 0xEFC60000u;
    uint32_t x = y;
    for (int i = 0; i < 5; ++i) x = y ^ ((x << 7) & 0x9D2C5680u);
    y = x;
    for (int i = 0; i < 3; ++i) x = y ^ (x >> 11);
    return x;
}

// The output that follows 624 consecutive ones, as MT19937 makes it.
uint32_t nextMt19937Output(const std::vector<uint32_t>& outputs) {
    const uint32_t first = untemper(outputs[0]);
    const uint32_t second = untemper(outputs[1]);
    const uint32_t middle = untemper(outputs[397]);
    const uint32_t mixed = (first & 0x80000000u) | (second & 0x7FFFFFFFu);
    uint32_t y = middle ^ (mixed >> 1) ^ ((mixed & 1u) ? 0x9908B0DFu : 0u);
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    return y ^ (y >> 18);
}

TEST(Mt19937Test, TheNextOutputFollowsFromTheLast624) {
    std::mt19937 generator(12345);
    std::vector<uint32_t> outputs;
    for (int i = 0; i < 624; ++i) outputs.push_back(generator());
    EXPECT_EQ(nextMt19937Output(outputs), generator());
}

TEST_F(FileNegotiationTest, TransferTokensCannotBeWorkedOutFromEarlierOnes) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    std::vector<uint32_t> tokens;
    for (int i = 0; i < 625; ++i) {
        offer(a, b);
        const Outbox out = send(b, buildUserIdPacket(PT_FILE_ACCEPT, a.id));
        ASSERT_EQ(out.transfers().size(), 1u);
        tokens.push_back(out.transfers()[0].token);
    }
    EXPECT_NE(nextMt19937Output(tokens), tokens[624]);
}

}  // namespace
}  // namespace zemra::server
