#include "client/ui/auth_rules.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/text.h"
#include "protocol/message_packets.h"

namespace zemra::client::ui {
namespace {

using Stage = AddFriendRequest::Stage;

store::ChatMessage notice(uint8_t kind, std::string text = {}) {
    store::ChatMessage m;
    m.kind = kind;
    m.flags = store::kMessageIncoming;
    m.peer = 700;
    m.time = 1700000000;
    m.text = std::move(text);
    return m;
}

// "通过验证", "拒绝请求", "加为好友".
using Offers = std::array<bool, 3>;
Offers offers(const NoticeView& v) {
    return {v.accept, v.refuse, v.addFriend};
}

TEST(NoticeView, EachKindSaysWhatHappenedAndOffersOnlyItsAnswers) {
    const std::string note = text::toGbk("我是老王");

    const NoticeView request = noticeView(notice(3, note), false);
    EXPECT_EQ(request.text, text::toGbk("请求你通过身份验证\r\n\r\n附加消息:") + note);
    EXPECT_EQ(offers(request), (Offers{true, true, true}));
    EXPECT_TRUE(request.addFriendEnabled);

    const NoticeView passed = noticeView(notice(2, "ignored"), false);
    EXPECT_EQ(passed.text, text::toGbk("通过您的身份验证"));
    EXPECT_EQ(offers(passed), (Offers{false, false, false}));

    const NoticeView refused = noticeView(notice(4, note), false);
    EXPECT_EQ(refused.text, text::toGbk("拒绝您的身份验证\r\n\r\n附加消息:") + note);
    EXPECT_EQ(offers(refused), (Offers{false, false, false}));

    const NoticeView added = noticeView(notice(5), false);
    EXPECT_EQ(added.text, text::toGbk("将你列入好友名单"));
    EXPECT_EQ(offers(added), (Offers{false, false, true}));
    EXPECT_TRUE(added.addFriendEnabled);

    for (const NoticeView& v : {request, passed, refused, added}) EXPECT_FALSE(v.showsMessage);
}

TEST(NoticeView, AServerMessageIsShownItselfAndOtherKindsShowNothing) {
    const NoticeView server = noticeView(notice(0, "maintenance at noon"), false);
    EXPECT_TRUE(server.showsMessage);
    EXPECT_TRUE(server.text.empty());
    EXPECT_EQ(offers(server), (Offers{false, false, false}));

    for (uint8_t kind : {1, 6, 9, 255}) {
        const NoticeView other = noticeView(notice(kind, "text"), false);
        EXPECT_TRUE(other.text.empty()) << int(kind);
        EXPECT_FALSE(other.showsMessage) << int(kind);
        EXPECT_EQ(offers(other), (Offers{false, false, false}));
    }
}

TEST(NoticeView, AFriendIsNotOfferedToBeAddedAgain) {
    for (uint8_t kind : {3, 5}) {
        const NoticeView v = noticeView(notice(kind), true);
        EXPECT_TRUE(v.addFriend) << int(kind);
        EXPECT_FALSE(v.addFriendEnabled) << int(kind);
    }
    // Answering a friend's request stays possible.
    EXPECT_TRUE(noticeView(notice(3), true).accept);
}

TEST(AuthenticationNote, BlankBecomesTheDefaultAndTheRestIsTrimmedGbk) {
    EXPECT_EQ(authenticationText(""), text::toGbk("请求加为好友"));
    EXPECT_EQ(authenticationText(QString::fromUtf8(" \t\u3000 ")), text::toGbk("请求加为好友"));
    EXPECT_EQ(authenticationText(QString::fromUtf8("  我是老王 ")), text::toGbk("我是老王"));
}

TEST(AuthenticationNote, ALongNoteIsCutToOneMessageWithoutSplittingACharacter) {
    // One ASCII byte puts every double-byte character on an odd offset, so
    // the limit falls in the middle of one.
    QString typed = "a";
    for (int i = 0; i < 200; ++i) typed += QString::fromUtf8("好");
    std::string expected = "a";
    for (int i = 0; i < 150; ++i) expected += text::toGbk("好");
    const std::string note = authenticationText(typed);
    EXPECT_EQ(note.size(), protocol::kMaxMessageTextBytes - 1);
    EXPECT_EQ(note, expected);
}

TEST(AuthenticationNote, TheMessageTravelsAsAFriendRequestInTheDefaultFont) {
    const std::string note = text::toGbk("我是老王");
    const protocol::TextMessage sent = protocol::parseMessage(
        protocol::PacketView(protocol::buildMessage(authenticationMessage(700, note, 1234))));
    EXPECT_EQ(sent.kind, protocol::kMessageAuthRequest);
    EXPECT_EQ(sent.flags, 1);
    EXPECT_EQ(sent.fontSize, 12u);
    EXPECT_EQ(sent.colour, 0);
    EXPECT_EQ(sent.effects, 0);
    EXPECT_EQ(sent.faceName, text::toGbk("宋体"));
    EXPECT_EQ(sent.peerId, 700u);
    EXPECT_EQ(sent.time, 1234u);
    EXPECT_EQ(sent.text, note);
}

TEST(AddFriendRequest, AnAnswerThatArrivesWhileTheRequestIsBeingWrittenIsKept) {
    AddFriendRequest r;
    r.submit();
    r.answered(1);  // handled inside the send's wait
    r.submitted(true);
    EXPECT_EQ(r.stage(), Stage::NeedsAuthentication);
    // A link that dropped after the answer came does not undo it either.
    AddFriendRequest lost;
    lost.submit();
    lost.answered(0);
    lost.submitted(false);
    EXPECT_EQ(lost.stage(), Stage::Added);
}

TEST(AddFriendRequest, TheTimeOutEndsOnlyTheWaitAndALateAnswerStillCounts) {
    AddFriendRequest silent;
    silent.submit();
    silent.submitted(true);
    silent.timedOut();
    EXPECT_EQ(silent.statusText(), "超时，请重试或返回");
    EXPECT_FALSE(silent.waiting());
    silent.answered(0);
    EXPECT_EQ(silent.statusText(), "添加好友成功");

    AddFriendRequest answered;
    answered.submit();
    answered.answered(1);
    answered.timedOut();
    EXPECT_EQ(answered.stage(), Stage::NeedsAuthentication);
}

TEST(AddFriendRequest, TheNoteGoesOutOnceAndOnlyWhenAskedFor) {
    AddFriendRequest r;
    EXPECT_FALSE(r.sendMessage());
    r.submit();
    EXPECT_FALSE(r.sendMessage());
    r.answered(1);
    ASSERT_TRUE(r.sendMessage());
    EXPECT_FALSE(r.editable());
    EXPECT_TRUE(r.expanded());
    EXPECT_FALSE(r.sendMessage());
    r.messageWritten(true);
    EXPECT_EQ(r.stage(), Stage::MessageSent);
    EXPECT_EQ(r.statusText(), "已经成功地向对方发送信息");
    EXPECT_TRUE(r.expanded());

    AddFriendRequest offline;
    offline.submit();
    offline.answered(1);
    offline.sendMessage();
    offline.messageWritten(false);
    EXPECT_EQ(offline.statusText(), "超时，请重试或返回");
    EXPECT_FALSE(offline.expanded());
}

TEST(AddFriendRequest, AnswersWithoutAnOwnRequestChangeNothing) {
    AddFriendRequest r;
    r.answered(0);
    r.timedOut();
    EXPECT_EQ(r.stage(), Stage::Idle);
    EXPECT_FALSE(r.busy());
    EXPECT_TRUE(r.statusText().empty());
}

}  // namespace
}  // namespace zemra::client::ui
