#include "server/call_relay.h"

#include <gtest/gtest.h>

#include "protocol/call_packets.h"
#include "protocol/login_packets.h"
#include "protocol/udp_probe.h"
#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

class CallRelayTest : public RulesFixture {
  protected:
    void probe(const TestClient& client, uint16_t channel, uint16_t fromPort,
               uint32_t address = loopback()) {
        rules.onProbe(channel, address, fromPort,
                      buildUdpProbe({client.id, 3010, channel, std::string(kClientKey)}));
    }

    uint16_t answerTo(const Outbox& out, const TestClient& caller) {
        const auto answers = packetsTo(out, caller.connection, PT_CALL_ANSWER);
        return answers.empty() ? 0xFFFF : parseSubCode(answers[0]);
    }
};

TEST_F(CallRelayTest, AnAcceptedCallTellsEachSideWhereThePartnersProbesCameFrom) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    send(a, buildCapabilities({true, false}));
    probe(a, kProbeChannelVideo, 40001);
    probe(a, kProbeChannelAudio, 40002);
    probe(b, kProbeChannelVideo, 50001);
    probe(b, kProbeChannelAudio, 50002);
    // Probes that do not count: wrong source address, unknown user, bad key.
    probe(b, kProbeChannelVideo, 666, htonl(0x0A000001));
    rules.onProbe(kProbeChannelVideo, loopback(), 667, buildUdpProbe({4242, 1, 1, "qh4vn8tzr2"}));
    rules.onProbe(kProbeChannelAudio, loopback(), 668, buildUdpProbe({b.id, 1, 2, "badkey0000"}));

    Outbox out = send(a, buildCallRequest(b.id));
    const CallIncoming incoming =
        parseCallIncoming(packetsTo(out, b.connection, PT_CALL_INCOMING).at(0));
    EXPECT_EQ(incoming.callerId, a.id);
    EXPECT_EQ(incoming.nickname, "a");
    EXPECT_EQ(incoming.extraAt40, 1u);

    out = send(b, buildUserIdPacket(PT_CALL_ACCEPT, a.id));
    const CallConnected toA =
        parseCallConnected(packetsTo(out, a.connection, PT_CALL_CONNECTED).at(0));
    const CallConnected toB =
        parseCallConnected(packetsTo(out, b.connection, PT_CALL_CONNECTED).at(0));
    EXPECT_EQ(toA, (CallConnected{loopback(), 50001, 50002, b.id, "b"}));
    EXPECT_EQ(toB, (CallConnected{loopback(), 40001, 40002, a.id, "a"}));

    // In-call text goes to the partner only; hang-up ends it for both.
    out = send(a, buildCallText({b.id, "can you hear me"}));
    EXPECT_EQ(parseCallTextIn(packetsTo(out, b.connection, PT_CALL_TEXT_IN).at(0)),
              (CallTextIn{a.id, "a", "can you hear me"}));
    TestClient c = registerUser("c");
    EXPECT_TRUE(send(c, buildCallText({b.id, "spam"})).packets().empty());
    EXPECT_EQ(answerTo(send(c, buildCallRequest(b.id)), c), kCallAnswerBusy);

    out = send(b, buildUserIdPacket(PT_CALL_HANGUP, a.id));
    EXPECT_EQ(typesTo(out, a.connection), std::vector<uint16_t>{PT_CALL_ENDED});
    EXPECT_EQ(typesTo(send(c, buildCallRequest(b.id)), b.connection),
              std::vector<uint16_t>{PT_CALL_INCOMING});
}

TEST_F(CallRelayTest, RequestsEndInTheRightAnswer) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    TestClient gone = registerUser("gone");
    logout(gone);

    EXPECT_EQ(answerTo(send(a, buildCallRequest(gone.id)), a), kCallAnswerNotOnline);
    EXPECT_EQ(answerTo(send(a, buildCallRequest(a.id)), a), kCallAnswerNoEffect);

    send(a, buildCallRequest(b.id));
    EXPECT_EQ(answerTo(send(b, buildUserIdPacket(PT_CALL_DECLINE, a.id)), a), kCallAnswerRefused);

    send(a, buildCallRequest(b.id));
    Outbox out = send(a, buildUserIdPacket(PT_CALL_CANCEL, b.id));
    EXPECT_EQ(parseCallWithdrawn(packetsTo(out, b.connection, PT_CALL_WITHDRAWN).at(0)).callerId,
              a.id);
    // A late accept of a withdrawn call connects nothing.
    EXPECT_TRUE(send(b, buildUserIdPacket(PT_CALL_ACCEPT, a.id)).packets().empty());

    // Away with a text: the caller reads the text instead of ringing.
    send(b, buildAwayText("back at five"));
    out = send(a, buildCallRequest(b.id));
    EXPECT_EQ(parseCallNote(packetsTo(out, a.connection, PT_CALL_NOTE).at(0)), "back at five");
    EXPECT_TRUE(packetsTo(out, b.connection, PT_CALL_INCOMING).empty());
    send(b, buildHeaderOnly(PT_GO_VISIBLE));  // back online clears away
    EXPECT_EQ(typesTo(send(a, buildCallRequest(b.id)), b.connection),
              std::vector<uint16_t>{PT_CALL_INCOMING});
    send(a, buildUserIdPacket(PT_CALL_CANCEL, b.id));

    send(b, buildSetRelation({a.id, kRelationBlacklist}));
    EXPECT_EQ(answerTo(send(a, buildCallRequest(b.id)), a), kCallAnswerRefused);
}

TEST_F(CallRelayTest, LeavingEndsWhateverCallTheUserWasIn) {
    TestClient a = registerUser("a");
    TestClient b = registerUser("b");
    TestClient c = registerUser("c");
    send(a, buildCallRequest(b.id));
    send(b, buildUserIdPacket(PT_CALL_ACCEPT, a.id));
    EXPECT_EQ(typesTo(logout(b), a.connection),
              std::vector<uint16_t>{PT_CALL_ENDED});  // no presence: a does not list b

    send(a, buildCallRequest(c.id));
    EXPECT_EQ(typesTo(logout(a), c.connection), std::vector<uint16_t>{PT_CALL_WITHDRAWN});

    login(a);
    send(c, buildCallRequest(a.id));
    EXPECT_EQ(answerTo(logout(a), c), kCallAnswerNotOnline);
    // Nothing is left pending: c can call again and be answered.
    login(a);
    EXPECT_EQ(typesTo(send(c, buildCallRequest(a.id)), a.connection),
              std::vector<uint16_t>{PT_CALL_INCOMING});
    // Hanging up while still ringing declines.
    EXPECT_EQ(answerTo(send(a, buildUserIdPacket(PT_CALL_HANGUP, c.id)), c), kCallAnswerRefused);
}

}  // namespace
}  // namespace zemra::server
