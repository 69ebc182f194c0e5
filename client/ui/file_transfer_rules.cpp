#include "client/ui/file_transfer_rules.h"

#include <algorithm>
#include <climits>

#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {

std::optional<std::string> offerRefusal(bool loggedIn, bool transferRunning) {
    if (!loggedIn) return "对不起,您还没有成功登陆服务器";
    if (transferRunning) return "您正在传输文件,请稍侯..";
    return std::nullopt;
}

ProgressScale::ProgressScale(uint32_t fileSize) : fileSize_(fileSize) {
    while ((fileSize_ >> shift_) > static_cast<uint32_t>(INT_MAX)) ++shift_;
}

int ProgressScale::position(uint64_t bytesDone) const {
    return static_cast<int>(shownBytes(bytesDone) >> shift_);
}

uint32_t ProgressScale::shownBytes(uint64_t bytesDone) const {
    return static_cast<uint32_t>(std::min<uint64_t>(bytesDone, fileSize_));
}

FileTransferFlow::FileTransferFlow(TransferRole role, uint32_t peer) : role_(role), peer_(peer) {}

std::string FileTransferFlow::title(const std::string& path) const {
    return (role_ == TransferRole::Sender ? "发送文件---" : "接收文件---") + path;
}

std::string FileTransferFlow::statusText() const {
    if (role_ == TransferRole::Receiver) return "准备接收文件";
    return stage_ == Stage::Ready ? "准备发送文件" : "等待对方确认...";
}

std::string FileTransferFlow::primaryText() const {
    return role_ == TransferRole::Sender ? "发送" : "接收";
}

std::string FileTransferFlow::stopText() const {
    return role_ == TransferRole::Receiver && stage_ == Stage::Ready ? "拒绝" : "中止";
}

std::string FileTransferFlow::primaryName() const {
    return role_ == TransferRole::Sender ? "send" : "accept";
}

std::string FileTransferFlow::stopName() const {
    switch (stopAction()) {
        case StopAction::Cancel:
            return "cancel";
        case StopAction::Refuse:
            return "refuse";
        case StopAction::Abort:
            break;
    }
    return "abort";
}

std::vector<uint8_t> FileTransferFlow::offer(protocol::FileOffer offer) {
    if (role_ != TransferRole::Sender || stage_ != Stage::Ready) return {};
    stage_ = Stage::Offered;
    offer.peerId = peer_;
    return protocol::buildFilePropose(offer);
}

std::vector<uint8_t> FileTransferFlow::accept() {
    if (role_ != TransferRole::Receiver || stage_ != Stage::Ready) return {};
    stage_ = Stage::Accepted;
    return protocol::buildUserIdPacket(protocol::PT_FILE_ACCEPT, peer_);
}

FileTransferFlow::StopAction FileTransferFlow::stopAction() const {
    if (stage_ == Stage::Started) return StopAction::Abort;
    return role_ == TransferRole::Sender ? StopAction::Cancel : StopAction::Refuse;
}

std::optional<std::string> FileTransferFlow::stopQuestion() const {
    if (stopAction() != StopAction::Abort) return std::nullopt;
    return role_ == TransferRole::Sender ? "真的要终止当前发送吗?" : "真的要终止当前接收吗?";
}

std::vector<uint8_t> FileTransferFlow::stopPacket() const {
    if (stage_ == Stage::Closed) return {};
    switch (stopAction()) {
        case StopAction::Cancel:
            return protocol::buildUserIdPacket(protocol::PT_FILE_CANCEL, peer_);
        case StopAction::Refuse:
            return protocol::buildUserIdPacket(protocol::PT_FILE_REFUSE, peer_);
        case StopAction::Abort:
            break;
    }
    return protocol::buildUserIdPacket(protocol::PT_FILE_ABORT, peer_);
}

bool FileTransferFlow::peerAccepted() {
    const Stage waiting = role_ == TransferRole::Sender ? Stage::Offered : Stage::Accepted;
    if (stage_ != waiting) return false;
    stage_ = Stage::Started;
    return true;
}

std::optional<std::string> FileTransferFlow::completion() const {
    if (stage_ != Stage::Started) return std::nullopt;
    return role_ == TransferRole::Sender ? "发送完毕" : "接收完毕";
}

bool FileTransferFlow::opensWhenComplete(bool autoOpenChecked) const {
    return role_ == TransferRole::Receiver && autoOpenChecked;
}

FileTransferFlow::NoticeOutcome FileTransferFlow::notice(uintptr_t code, uint32_t fromUser) const {
    // An answer about someone else belongs to an earlier exchange.
    if (stage_ == Stage::Closed || fromUser != peer_) return {};
    switch (code) {
        case kNoticeRefused:
            return {true, "对方拒绝接收文件", false};
        case kNoticeCancelled:
            return {true, "对方取消发送文件", false};
        case kNoticeAborted:
            return {true, "对方终止文件传输", started()};
        case kNoticeOffline:
            return {true, "对方不在线", false};
        default:
            return {true, std::nullopt, false};
    }
}

}  // namespace zemra::client::ui
