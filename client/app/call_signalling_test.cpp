// The call state machine against a recording port: the packets it would put
// on the link, the log entries, the messages and the windows, for every
// answer and event a call can meet.
#include "client/app/call_signalling.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/text.h"
#include "protocol/call_packets.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

using namespace protocol;

constexpr uint32_t kMe = 5000;
constexpr uint32_t kBob = 5001;
constexpr uint32_t kCarol = 5002;

struct Sent {
    uint16_t type;
    uint32_t id;
};

class RecordingPort : public CallPort {
  public:
    bool linkReady() const override { return loggedIn; }
    uint32_t ownUserId() const override { return kMe; }
    int callModeSetting() const override { return callMode; }
    bool friendsOnlySetting() const override { return friendsOnly; }
    void sendCallPacket(const std::vector<uint8_t>& packet) override {
        const PacketView view(packet);
        sent.push_back({view.type(), packet.size() >= 28 ? view.u32(24) : 0});
    }
    void logCall(uint32_t id, const std::string& gbkName, store::CallKind kind) override {
        logged.push_back({id, text::toUtf8(gbkName), kind});
    }
    void tellCallUser(const std::string& text) override { messages.push_back(text); }
    std::optional<uint16_t> relationOf(uint32_t id) const override {
        const auto it = relations.find(id);
        if (it == relations.end()) return std::nullopt;
        return it->second;
    }
    void setCallUi(CallUi state, const std::string& text) override {
        ui = state;
        uiText = text;
    }
    void showCallButtons(bool c) override { calling = c; }
    void callConnected(const ConnectedCall& call) override { connected.push_back(call); }
    void callTeardown() override { ++teardowns; }
    void callTextLine(const std::string& line, bool own) override {
        lines.push_back((own ? "own " : "in ") + line);
    }

    std::vector<uint16_t> sentTypes() const {
        std::vector<uint16_t> types;
        for (const Sent& s : sent) types.push_back(s.type);
        return types;
    }

    struct Logged {
        uint32_t id;
        std::string name;
        store::CallKind kind;
        bool operator==(const Logged&) const = default;
    };

    bool loggedIn = true;
    int callMode = 2;
    bool friendsOnly = false;
    std::map<uint32_t, uint16_t> relations;
    std::vector<Sent> sent;
    std::vector<Logged> logged;
    std::vector<std::string> messages;
    CallUi ui = CallUi::HideAll;
    std::string uiText;
    bool calling = false;
    std::vector<ConnectedCall> connected;
    int teardowns = 0;
    std::vector<std::string> lines;
};

class CallSignallingTest : public ::testing::Test {
  protected:
    void deliver(const std::vector<uint8_t>& packet) {
        ASSERT_TRUE(calls.handlePacket(PacketView(packet).type(), packet));
    }
    void answer(uint16_t subCode) { deliver(buildSubCodePacket(PT_CALL_ANSWER, subCode)); }
    void incoming(uint32_t caller, const std::string& nick = "bob") {
        deliver(buildCallIncoming({caller, text::toGbk(nick), 0, 0}));
    }
    void connectedWith(uint32_t partner, const std::string& nick = "bob") {
        deliver(buildCallConnected({0x0100007f, 3011, 3021, partner, text::toGbk(nick)}));
    }
    void dialBob() { calls.callContact(kBob, text::toGbk("bob")); }
    // A call that bob placed and this user took in the ringing window.
    void inCallWithBob() {
        incoming(kBob);
        calls.acceptRinging();
        connectedWith(kBob);
        ASSERT_TRUE(calls.inCall());
        port.sent.clear();
        port.logged.clear();
    }

    RecordingPort port;
    CallSignalling calls{port};
};

TEST_F(CallSignallingTest, PlacingACallChecksItsPreconditionsInOrderAndSendsOnlyWhenTheyHold) {
    calls.callContact(kMe, "me");
    port.loggedIn = false;
    calls.callContact(kBob, "bob");
    port.loggedIn = true;
    calls.callNumber("   ");
    calls.setInConference(true);
    calls.callContact(kBob, "bob");
    calls.setInConference(false);
    EXPECT_EQ(port.messages,
              (std::vector<std::string>{"不能呼叫自己", "对不起,您还没有成功登陆服务器", "ID号为空",
                                        "您正在会议中"}));
    EXPECT_TRUE(port.sent.empty());
    EXPECT_TRUE(calls.idle());

    calls.callNumber(" 5001 ");
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].type, PT_CALL_REQUEST);
    EXPECT_EQ(port.sent[0].id, kBob);
    EXPECT_TRUE(calls.outgoingRinging());
    EXPECT_TRUE(port.calling);
    EXPECT_EQ(port.ui, CallUi::DialOut);
    EXPECT_EQ(port.uiText, "您正在呼叫5001_未知");
    EXPECT_EQ(calls.lastDialled(), kBob);

    port.messages.clear();
    calls.callContact(kCarol, "carol");
    EXPECT_EQ(port.messages, std::vector<std::string>{"系统繁忙，请稍侯..."});
    EXPECT_EQ(port.sent.size(), 1u);
}

TEST_F(CallSignallingTest, OtherWindowsRefuseInTheirOwnWordsWhileInACallOrForTheOwnId) {
    calls.callFromWindow(kMe, "me", "您正在通话中!");
    EXPECT_EQ(port.messages, std::vector<std::string>{"对不起,不能呼叫自己!"});
    inCallWithBob();
    calls.callFromWindow(kCarol, "carol", "请稍侯,您正在通话中!");
    EXPECT_EQ(port.messages.back(), "请稍侯,您正在通话中!");
    EXPECT_TRUE(port.sent.empty());
}

TEST_F(CallSignallingTest, AnswersToTheOwnRequestEndItWithTheirLogKindAndMessage) {
    struct Row {
        uint16_t subCode;
        std::optional<store::CallKind> kind;
        std::string message;
    } rows[] = {
        {kCallAnswerNotOnline, store::kCallOutNoAnswer, "对方不在线"},
        {kCallAnswerBusy, std::nullopt, "bob<5001>正在通话中"},
        {kCallAnswerRefused, store::kCallOutRefused, "呼叫请求被拒绝"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        port.logged.clear();
        port.messages.clear();
        dialBob();
        answer(row.subCode);
        EXPECT_TRUE(calls.idle());
        EXPECT_FALSE(port.calling);
        EXPECT_EQ(port.ui, CallUi::HideAll);
        EXPECT_FALSE(calls.dialTimerRunning());
        EXPECT_EQ(port.messages, std::vector<std::string>{row.message});
        if (row.kind) {
            EXPECT_EQ(port.logged, (std::vector<RecordingPort::Logged>{{kBob, "bob", *row.kind}}));
        } else {
            EXPECT_TRUE(port.logged.empty());
        }
    }
    // "No effect" leaves the call being dialled.
    port.messages.clear();
    dialBob();
    answer(kCallAnswerNoEffect);
    EXPECT_TRUE(calls.outgoingRinging());
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(CallSignallingTest, ANoteEndsTheCallWithTheNoteShownAndKindThree) {
    dialBob();
    deliver(buildCallNote(text::toGbk("稍后回电")));
    EXPECT_EQ(port.messages, std::vector<std::string>{"bob<5001>留言:\r\n稍后回电"});
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallOutNoAnswer}}));
    EXPECT_TRUE(calls.idle());
}

TEST_F(CallSignallingTest, AConnectedOwnCallLogsKindTwoAndHandsTheAddressToTheMedia) {
    dialBob();
    connectedWith(kBob, "bobby");
    EXPECT_TRUE(calls.inCall());
    EXPECT_EQ(port.ui, CallUi::HideAll);
    ASSERT_EQ(port.connected.size(), 1u);
    EXPECT_EQ(port.connected[0].partnerAddress, 0x0100007fu);
    EXPECT_EQ(port.connected[0].videoPort, 3011u);
    EXPECT_EQ(port.connected[0].audioPort, 3021u);
    EXPECT_EQ(text::toUtf8(calls.partnerName()), "bobby");
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kBob, "bobby", store::kCallOutAccepted}}));
}

TEST_F(CallSignallingTest, AConnectionNobodyWaitsForIsIgnored) {
    connectedWith(kBob);  // idle
    dialBob();
    connectedWith(kCarol);  // another partner than the one dialled
    EXPECT_TRUE(port.connected.empty());
    EXPECT_FALSE(calls.inCall());
}

TEST_F(CallSignallingTest, ALateRefusalWhileInACallChangesNothing) {
    inCallWithBob();
    answer(kCallAnswerRefused);
    EXPECT_TRUE(calls.inCall());
    EXPECT_TRUE(port.logged.empty());
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(port.calling);
}

TEST_F(CallSignallingTest, IncomingRequestsFollowTheCallModeAndAreDeclinedWhenBusy) {
    port.callMode = 1;
    incoming(kBob);
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallMissedIdle}}));
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_DECLINE});
    EXPECT_TRUE(calls.idle());

    port.callMode = 2;
    inCallWithBob();
    incoming(kCarol, "carol");
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kCarol, "carol", store::kCallMissedInCall}}));
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].type, PT_CALL_DECLINE);
    EXPECT_EQ(port.sent[0].id, kCarol);
    EXPECT_EQ(calls.partnerId(), kBob);
}

TEST_F(CallSignallingTest, ASecondRequestWhileRingingIsDeclinedAndKeepsTheFirstCaller) {
    incoming(kBob);
    incoming(kCarol, "carol");
    EXPECT_EQ(calls.partnerId(), kBob);
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_DECLINE});
    EXPECT_EQ(port.logged.back().kind, store::kCallMissedIdle);
}

TEST_F(CallSignallingTest, ModeZeroAcceptsAtOnceAndTheCallProceedsOnTheConnection) {
    port.callMode = 0;
    incoming(kBob);
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_ACCEPT});
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallInAccepted}}));
    EXPECT_FALSE(calls.incomingRinging());
    connectedWith(kBob);
    EXPECT_TRUE(calls.inCall());
    EXPECT_EQ(port.logged.size(), 1u);  // no kind 2: the call was not placed here
}

TEST_F(CallSignallingTest, FriendsOnlyRingsForTheFirstGroupAndDropsEveryoneElseSilently) {
    port.friendsOnly = true;
    port.relations = {{kBob, 10}, {kCarol, 12}};
    incoming(kCarol, "carol");
    incoming(6000, "stranger");
    EXPECT_TRUE(port.sent.empty());
    EXPECT_TRUE(port.logged.empty());
    EXPECT_TRUE(calls.idle());
    incoming(kBob);
    EXPECT_TRUE(calls.incomingRinging());
    EXPECT_EQ(port.ui, CallUi::Ringing);
    EXPECT_EQ(port.uiText, "5001_bob请求呼叫连接");
}

TEST_F(CallSignallingTest, RelationElevenIsDroppedEvenInModeZero) {
    port.callMode = 0;
    port.relations = {{kBob, 11}};
    incoming(kBob);
    EXPECT_TRUE(port.sent.empty());
    EXPECT_TRUE(port.logged.empty());
    EXPECT_TRUE(calls.idle());
}

TEST_F(CallSignallingTest, TheRingingWindowsButtonsAnswerTheCallerAndLog) {
    incoming(kBob);
    calls.declineRinging();
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_DECLINE});
    EXPECT_EQ(port.sent[0].id, kBob);
    EXPECT_EQ(port.logged.back(), (RecordingPort::Logged{kBob, "bob", store::kCallMissedIdle}));
    EXPECT_TRUE(calls.idle());
    EXPECT_EQ(port.ui, CallUi::HideAll);

    incoming(kCarol, "carol");
    calls.acceptRinging();
    EXPECT_EQ(port.sent.back().type, PT_CALL_ACCEPT);
    EXPECT_EQ(port.sent.back().id, kCarol);
    EXPECT_EQ(port.logged.back().kind, store::kCallInAccepted);
    EXPECT_TRUE(calls.accepted());
}

TEST_F(CallSignallingTest, AWithdrawnRequestIsLoggedAndClosesTheRingingWindow) {
    incoming(kBob);
    deliver(buildCallWithdrawn({kBob, text::toGbk("bob")}));
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallMissedIdle}}));
    EXPECT_EQ(port.messages, std::vector<std::string>{"对方取消呼叫"});
    EXPECT_TRUE(calls.idle());
    EXPECT_EQ(port.ui, CallUi::HideAll);
    // Once the window has gone (here: declined), the withdrawal is still logged.
    incoming(kCarol, "carol");
    calls.declineRinging();
    port.logged.clear();
    port.messages.clear();
    deliver(buildCallWithdrawn({kCarol, text::toGbk("carol")}));
    EXPECT_EQ(port.logged,
              (std::vector<RecordingPort::Logged>{{kCarol, "carol", store::kCallMissedIdle}}));
    EXPECT_TRUE(port.messages.empty());
}

TEST_F(CallSignallingTest, EveryRingingTimesOutOnTheEleventhTick) {
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        port.logged.clear();
        incoming(kBob);
        EXPECT_TRUE(calls.ringTimerRunning());
        for (int tick = 0; tick < CallSignalling::kTimeoutTicks; ++tick) calls.ringTick();
        EXPECT_TRUE(calls.incomingRinging());
        EXPECT_TRUE(port.logged.empty());
        calls.ringTick();
        EXPECT_FALSE(calls.incomingRinging());
        EXPECT_FALSE(calls.ringTimerRunning());
        EXPECT_EQ(port.ui, CallUi::HideAll);
        EXPECT_EQ(port.logged,
                  (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallMissedIdle}}));
        EXPECT_TRUE(port.sent.empty());
    }
}

TEST_F(CallSignallingTest, EveryDialOutTimesOutWithKindThreeAndACancel) {
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        port.logged.clear();
        port.sent.clear();
        dialBob();
        port.sent.clear();
        for (int tick = 0; tick < CallSignalling::kTimeoutTicks; ++tick) calls.dialTick();
        EXPECT_TRUE(calls.outgoingRinging());
        calls.dialTick();
        EXPECT_TRUE(calls.idle());
        EXPECT_FALSE(port.calling);
        EXPECT_EQ(port.logged,
                  (std::vector<RecordingPort::Logged>{{kBob, "bob", store::kCallOutNoAnswer}}));
        ASSERT_EQ(port.sent.size(), 1u);
        EXPECT_EQ(port.sent[0].type, PT_CALL_CANCEL);
        EXPECT_EQ(port.sent[0].id, kBob);
    }
}

TEST_F(CallSignallingTest, HangingUpWhileDiallingWithdrawsTheRequest) {
    dialBob();
    port.sent.clear();
    calls.hangUp();
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_CANCEL});
    EXPECT_TRUE(calls.idle());
    EXPECT_EQ(port.teardowns, 0);
}

TEST_F(CallSignallingTest, CrossedHangUpsTearTheCallDownOnce) {
    inCallWithBob();
    calls.hangUp();
    deliver(buildHeaderOnly(PT_CALL_ENDED));
    EXPECT_EQ(port.teardowns, 1);
    EXPECT_EQ(port.sentTypes(), std::vector<uint16_t>{PT_CALL_HANGUP});
    EXPECT_EQ(port.sent[0].id, kBob);
    EXPECT_EQ(calls.partnerId(), 0u);
    EXPECT_FALSE(port.calling);

    port.sent.clear();
    inCallWithBob();
    deliver(buildHeaderOnly(PT_CALL_ENDED));
    calls.hangUp();
    EXPECT_EQ(port.teardowns, 2);
    EXPECT_TRUE(port.sent.empty());
    EXPECT_TRUE(calls.idle());
}

TEST_F(CallSignallingTest, InCallTextGoesOnlyDuringACallAndComesOnlyFromThePartner) {
    calls.sendCallText("hi");
    EXPECT_EQ(port.messages, std::vector<std::string>{"通话中才能使用本功能"});
    inCallWithBob();
    calls.sendCallText("  \t ");
    EXPECT_EQ(port.messages.back(), "不能输入空信息");
    calls.sendCallText(" 你好 ");
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].type, PT_CALL_TEXT);
    EXPECT_EQ(port.sent[0].id, kBob);

    deliver(buildCallTextIn({kCarol, text::toGbk("carol"), text::toGbk("hijack")}));
    deliver(buildCallTextIn({kBob, text::toGbk("bob"), text::toGbk("好的")}));
    EXPECT_EQ(port.lines, (std::vector<std::string>{"own 我:你好\r\n", "in <5001>bob:好的\r\n"}));
}

}  // namespace
}  // namespace zemra::client
