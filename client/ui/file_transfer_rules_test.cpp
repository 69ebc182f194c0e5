#include "client/ui/file_transfer_rules.h"

#include <gtest/gtest.h>

#include <climits>

#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

using Flow = FileTransferFlow;
using protocol::PacketView;

constexpr uint32_t kPeer = 4711;

uint16_t typeOf(const std::vector<uint8_t>& packet) {
    return packet.empty() ? 0 : PacketView(packet).type();
}

uint32_t userIn(const std::vector<uint8_t>& packet) {
    return protocol::parseUserId(packet);
}

TEST(FileTransferRules, TheWindowOpensOnlyWhenLoggedInAndIdle) {
    EXPECT_EQ(offerRefusal(false, false), "对不起,您还没有成功登陆服务器");
    EXPECT_EQ(offerRefusal(false, true), "对不起,您还没有成功登陆服务器");
    EXPECT_EQ(offerRefusal(true, true), "您正在传输文件,请稍侯..");
    EXPECT_EQ(offerRefusal(true, false), std::nullopt);
}

TEST(FileTransferRules, TheSenderCancelsUntilTheOtherSideAcceptsAndAbortsAfter) {
    Flow flow(TransferRole::Sender, kPeer);
    EXPECT_EQ(flow.title("/home/a/b.zip"), "发送文件---/home/a/b.zip");
    EXPECT_EQ(flow.statusText(), "准备发送文件");
    EXPECT_EQ(flow.stopText(), "中止");
    EXPECT_EQ(typeOf(flow.stopPacket()), protocol::PT_FILE_CANCEL);
    EXPECT_FALSE(flow.peerAccepted());  // nothing was offered yet
    EXPECT_FALSE(flow.completion());

    const auto offer = flow.offer({"b.zip", "note", 0, 1234, ""});
    EXPECT_EQ(typeOf(offer), protocol::PT_FILE_PROPOSE);
    EXPECT_EQ(protocol::parseFileOffer(offer),
              (protocol::FileOffer{"b.zip", "note", kPeer, 1234, ""}));
    EXPECT_TRUE(flow.offer({"again", "", 0, 1, ""}).empty());
    EXPECT_FALSE(flow.primaryEnabled());
    EXPECT_EQ(flow.statusText(), "等待对方确认...");
    EXPECT_EQ(flow.stopName(), "cancel");
    EXPECT_EQ(flow.stopQuestion(), std::nullopt);
    const auto cancel = flow.stopPacket();
    EXPECT_EQ(typeOf(cancel), protocol::PT_FILE_CANCEL);
    EXPECT_EQ(userIn(cancel), kPeer);

    EXPECT_TRUE(flow.peerAccepted());
    EXPECT_FALSE(flow.peerAccepted());  // a repeated answer starts nothing
    EXPECT_EQ(flow.stopName(), "abort");
    EXPECT_EQ(flow.stopQuestion(), "真的要终止当前发送吗?");
    EXPECT_EQ(typeOf(flow.stopPacket()), protocol::PT_FILE_ABORT);
    EXPECT_EQ(flow.completion(), "发送完毕");
    EXPECT_FALSE(flow.opensWhenComplete(true));

    flow.close();
    EXPECT_TRUE(flow.stopPacket().empty());
    EXPECT_FALSE(flow.completion());
}

TEST(FileTransferRules, TheReceiverRefusesUntilTheTransferStartsAndAbortsAfter) {
    Flow flow(TransferRole::Receiver, kPeer);
    EXPECT_EQ(flow.title("a.txt"), "接收文件---a.txt");
    EXPECT_EQ(flow.statusText(), "准备接收文件");
    EXPECT_EQ(flow.primaryText(), "接收");
    EXPECT_EQ(flow.stopText(), "拒绝");
    EXPECT_EQ(flow.stopName(), "refuse");
    EXPECT_FALSE(flow.peerAccepted());  // a stray answer before accepting
    EXPECT_TRUE(flow.offer({"x", "", 0, 1, ""}).empty());

    const auto accept = flow.accept();
    EXPECT_EQ(typeOf(accept), protocol::PT_FILE_ACCEPT);
    EXPECT_EQ(userIn(accept), kPeer);
    EXPECT_TRUE(flow.accept().empty());
    EXPECT_EQ(flow.stopText(), "中止");
    EXPECT_EQ(typeOf(flow.stopPacket()), protocol::PT_FILE_REFUSE);

    EXPECT_TRUE(flow.peerAccepted());
    EXPECT_EQ(flow.stopQuestion(), "真的要终止当前接收吗?");
    EXPECT_EQ(typeOf(flow.stopPacket()), protocol::PT_FILE_ABORT);
    EXPECT_EQ(flow.completion(), "接收完毕");
    EXPECT_TRUE(flow.opensWhenComplete(true));
    EXPECT_FALSE(flow.opensWhenComplete(false));
}

TEST(FileTransferRules, AnswersAboutThePeerCloseWithTheirTextOthersAreIgnored) {
    Flow flow(TransferRole::Sender, kPeer);
    const std::pair<uintptr_t, const char*> texts[] = {{Flow::kNoticeRefused, "对方拒绝接收文件"},
                                                       {Flow::kNoticeCancelled, "对方取消发送文件"},
                                                       {Flow::kNoticeAborted, "对方终止文件传输"},
                                                       {Flow::kNoticeOffline, "对方不在线"}};
    for (const auto& [code, text] : texts) {
        const auto outcome = flow.notice(code, kPeer);
        EXPECT_TRUE(outcome.closes) << code;
        EXPECT_EQ(outcome.text, text);
        EXPECT_FALSE(outcome.resetsProgress);
        EXPECT_FALSE(flow.notice(code, kPeer + 1).closes) << code;
    }
    const auto unknown = flow.notice(9, kPeer);
    EXPECT_TRUE(unknown.closes);
    EXPECT_EQ(unknown.text, std::nullopt);

    flow.offer({"f", "", 0, 1, ""});
    flow.peerAccepted();
    EXPECT_TRUE(flow.notice(Flow::kNoticeAborted, kPeer).resetsProgress);
    flow.close();
    EXPECT_FALSE(flow.notice(Flow::kNoticeAborted, kPeer).closes);
}

TEST(FileTransferRules, TheProgressBarFitsAnyFileSizeAndNeverRunsPastTheEnd) {
    const ProgressScale small(1000);
    EXPECT_EQ(small.range(), 1000);
    EXPECT_EQ(small.position(250), 250);
    EXPECT_EQ(small.position(5000), 1000);
    EXPECT_EQ(small.shownBytes(5000), 1000u);

    const ProgressScale huge(UINT32_MAX);
    EXPECT_GT(huge.range(), INT_MAX / 2);
    EXPECT_EQ(huge.position(UINT32_MAX), huge.range());
    EXPECT_EQ(huge.position(UINT32_MAX / 2), huge.range() / 2);
    EXPECT_EQ(huge.shownBytes(uint64_t{1} << 40), UINT32_MAX);

    const ProgressScale empty(0);
    EXPECT_EQ(empty.range(), 0);
    EXPECT_EQ(empty.position(10), 0);
}

}  // namespace
}  // namespace zemra::client::ui
