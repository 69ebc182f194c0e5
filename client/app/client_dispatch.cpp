// The one switch over the types of packets from the server.
#include "client/app/client_core.h"
#include "client/app/file_peer_message.h"
#include "client/app/login_refusal.h"
#include "protocol/contact_packets.h"
#include "protocol/file_packets.h"
#include "protocol/login_packets.h"
#include "protocol/message_packets.h"
#include "protocol/packet_types.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

// Messages from this sender are dropped unread.
constexpr uint32_t kBlockedSenderId = 314707;

// Refusal sub-codes as the login code understands them; 0 for the ignored ones.
int loginRefusalCode(uint16_t subCode) {
    switch (subCode) {
        case 10:
            return kLoginOldVersion;
        case 11:
            return kLoginWrongPassword;
        case 12:
            return kLoginAccountBarred;
        case 13:
            return 5;
        case 14:
            return kLoginServerBusy;
        default:
            return 0;
    }
}

// wParam of the file-transfer notice for each server notice.
uintptr_t fileNoticeCode(uint16_t type) {
    switch (type) {
        case protocol::PT_FILE_NOTICE_ABORTED:
            return 2;
        case protocol::PT_FILE_NOTICE_CANCELLED:
            return 1;
        case protocol::PT_FILE_NOTICE_OFFLINE:
            return 3;
        default:
            return 0;  // refused
    }
}

}  // namespace

void ClientCore::dispatch(uint16_t type, std::span<const uint8_t> bytes) {
    ++dispatchDepth_;
    dispatchPacket(type, bytes);
    --dispatchDepth_;
}

void ClientCore::dispatchPacket(uint16_t type, std::span<const uint8_t> bytes) {
    using namespace protocol;
    if (calls_.handlePacket(type, bytes)) return;
    const PacketView packet(bytes);
    switch (type) {
        case PT_LOGIN_FAILED:
            if (const int code = loginRefusalCode(parseSubCode(packet))) onLoginResult(code, 0);
            break;
        case PT_LOGIN_OK: {
            const LoginAccepted answer = parseLoginAccepted(packet);
            std::vector<ContactTableEntry> table;
            table.push_back(
                ContactTableEntry{answer.userId, answer.nickname, answer.face, true, 0});
            table.insert(table.end(), answer.contacts.begin(), answer.contacts.end());
            contacts_.setTable(std::move(table));
            ownId_ = answer.userId;
            connection_.onLoginAccepted();
            onLoginResult(0, 0);
            break;
        }
        case PT_CONTACT_ONLINE:
            onContactOnline(parseUserId(packet), 0, 0, 0, 0, false);
            break;
        case PT_CONTACT_OFFLINE:
            onContactOffline(parseUserId(packet));
            break;
        case PT_ANNOUNCE_ACK:
            announceTimer_.stop();
            break;
        case PT_CONTACT_ADDED:
            contacts_.appendTableEntry(parseContactAdded(packet));
            onContactAdded(contacts_.table().back().userId, AddResult::Added);
            break;
        case PT_ADD_REFUSED:
            onContactAdded(0, AddResult::Refused);
            break;
        case PT_ADD_NEEDS_AUTH:
            onContactAdded(0, AddResult::NeedsAuthentication);
            break;
        case PT_CONTACT_REMOVED: {
            if (deleteContactWindow_ != 0) {
                postWindowMessage(deleteContactWindow_, kWmContactDeleted, 0, 0);
            }
            contacts_.clearTableEntry(parseUserId(packet));
            break;
        }
        case PT_MESSAGE:
        case PT_MESSAGE_PASSIVE: {
            const TextMessage text = parseMessage(packet);
            if (text.peerId == kBlockedSenderId) break;
            store::ChatMessage message;
            message.kind = text.kind;
            // A passive message is one the server kept while we were away.
            message.flags = type == PT_MESSAGE_PASSIVE
                                ? store::kMessageIncoming | store::kMessageRelayed
                                : store::kMessageIncoming;
            message.peer = text.peerId;
            message.time = text.time;
            message.text = text.text;
            message.faceName = text.faceName;
            message.size = static_cast<uint8_t>(text.fontSize);
            message.colour = text.colour;
            message.effects = text.effects;
            if (type == PT_MESSAGE) {
                onMessage(message);
            } else {
                onPassiveMessage(message);
            }
            break;
        }
        case PT_REGISTERED:
            onRegistered(parseUserId(packet));
            break;
        case PT_DETAILS:
            onDetails(parseDetails(packet));
            break;
        case PT_DETAILS_SAVED:
            onDetailsSaved(true);
            break;
        case PT_DETAILS_REFUSED:
            onDetailsSaved(false);
            break;
        case PT_SEARCH_RESULT: {
            searchCount_ = packet.u16(22);
            if (!searchWindowOpen_) break;
            if (searchCount_ == 0) {
                postWindowMessage(replyWindow_, kWmSearchResult, 5, 0);
            } else {
                searchResults_ = parseSearchResult(packet);
                postWindowMessage(replyWindow_, kWmSearchResult, 1, 0);
            }
            break;
        }
        case PT_SEARCH_STATUS: {
            const uint16_t code = parseSubCode(packet);
            if (code == 20) postWindowMessage(replyWindow_, kWmSearchStatus, 3, 0);
            if (code == 21 || code == 22) postWindowMessage(replyWindow_, kWmSearchStatus, 5, 0);
            if (searchWindowOpen_) postWindowMessage(replyWindow_, kWmSearchResult, 5, 0);
            break;
        }
        case PT_FILE_NOTICE_ABORTED:
        case PT_FILE_NOTICE_CANCELLED:
        case PT_FILE_NOTICE_OFFLINE:
        case PT_FILE_NOTICE_REFUSED:
            if (fileTransferWindow_ != 0) {
                postWindowMessage(fileTransferWindow_, kWmFileNotice, fileNoticeCode(type),
                                  static_cast<intptr_t>(parseUserId(packet)));
            }
            break;
        case PT_FILE_OFFER:
            ui_.fileOffered(parseFileOffer(packet));
            break;
        case PT_FILE_PEER:
            if (fileTransferWindow_ != 0) {
                const FilePeer peer = parseFilePeer(packet);
                postWindowMessage(fileTransferWindow_, kWmFilePeer, filePeerWParam(peer),
                                  filePeerLParam(peer));
            }
            break;
        default:
            break;  // types this client does not handle are ignored
    }
}

}  // namespace zemra::client
