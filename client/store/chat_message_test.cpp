#include "client/store/chat_message.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace zemra::store {
namespace {

ChatMessage message(uint8_t kind, uint32_t peer, std::string text = "t", uint8_t flags = 0) {
    ChatMessage m;
    m.kind = kind;
    m.peer = peer;
    m.text = std::move(text);
    m.flags = flags;
    return m;
}

TEST(ChatMessageTest, SystemMessagesAreFiledUnderKeyZero) {
    EXPECT_EQ(message(kMessageChat, 12345).storageKey(), 12345u);
    EXPECT_EQ(message(kMessageAutoReply, 12345).storageKey(), 12345u);
    EXPECT_EQ(message(kMessageQueueOnly, 12345).storageKey(), 12345u);
    EXPECT_EQ(message(kMessageChat, kSystemAccountId).storageKey(), 0u);
    for (uint8_t kind = kMessageAuthPassed; kind <= kMessageAddedAsFriend; ++kind) {
        EXPECT_EQ(message(kind, 12345).storageKey(), 0u) << int(kind);
    }
}

TEST(ChatMessageTest, DisplayedTextFollowsTheKind) {
    EXPECT_EQ(message(kMessageAuthPassed, 5).displayedText(), text::toGbk("通过您的身份验证"));
    EXPECT_EQ(message(kMessageAddedAsFriend, 5).displayedText(), text::toGbk("将你列入好友名单"));
    EXPECT_EQ(message(kMessageAuthRefused, 5, "no").displayedText(),
              text::toGbk("拒绝您的身份验证\r\n\r\n附加消息:no"));
    // A request carries 0xFF-separated fields; the note is the third.
    EXPECT_EQ(message(kMessageAuthRequest, 5, "1\xFFnick\xFFplease add me\xFFx").displayedText(),
              text::toGbk("请求你通过身份验证\r\n\r\n附加消息:please add me"));
    EXPECT_EQ(message(kMessageAuthRequest, 5, "1\xFFonly two").displayedText(),
              text::toGbk("请求你通过身份验证\r\n\r\n附加消息:"));
    // A request that is only its note, as this client sends it.
    EXPECT_EQ(message(kMessageAuthRequest, 5, "let me in").displayedText(),
              text::toGbk("请求你通过身份验证\r\n\r\n附加消息:let me in"));
}

TEST(ChatMessageTest, RelayedIncomingMessagesSayHowTheyCame) {
    const std::string note = text::toGbk("\r\n(通过服务器中转)");
    EXPECT_EQ(message(kMessageChat, 5, "hi", kMessageIncoming | kMessageRelayed).displayedText(),
              "hi" + note);
    EXPECT_EQ(message(kMessageChat, 5, "hi", kMessageRelayed).displayedText(), "hi");
    EXPECT_EQ(message(kMessageChat, 5, "hi", kMessageIncoming).displayedText(), "hi");
    EXPECT_EQ(message(kMessageChat, kSystemAccountId, "hi", kMessageIncoming | kMessageRelayed)
                  .displayedText(),
              "hi");
}

TEST(ChatMessageTest, OnlyChatMessagesStoreTheirFormatting) {
    ChatMessage chat = message(kMessageChat, 5, "hello", kMessageIncoming);
    chat.time = 1700000000;
    chat.faceName = "SimSun";
    chat.size = 12;
    chat.colour = 0x00FF0000;
    chat.effects = 5;
    RecordWriter w;
    chat.serialize(w);
    EXPECT_EQ(w.size(), 1 + 1 + 4 + 4 + 8 + 9 + 1 + 4 + 1u);
    RecordReader r(w.bytes());
    ChatMessage back;
    back.deserialize(r);
    EXPECT_EQ(back, chat);

    ChatMessage notice = chat;
    notice.kind = kMessageAuthRefused;
    RecordWriter w2;
    notice.serialize(w2);
    EXPECT_EQ(w2.size(), 1 + 1 + 4 + 4 + 8u);
    RecordReader r2(w2.bytes());
    back.deserialize(r2);
    EXPECT_EQ(back.faceName, "");
    EXPECT_EQ(back.size, 0);
    EXPECT_EQ(back.text, "hello");
}

}  // namespace
}  // namespace zemra::store
