#include "server/file_negotiation.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zemra::server
