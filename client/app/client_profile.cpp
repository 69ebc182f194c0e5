// The account wizard's link to the server, and the user details: asking for
// them, showing the answer, and changing one's own.
#include "client/app/client_core.h"
#include "client/app/client_texts.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

std::string withoutLeadingSpaces(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

uint16_t addPolicyPacket(int policy) {
    switch (policy) {
        case 1:
            return protocol::PT_ADD_POLICY_AUTH;
        case 2:
            return protocol::PT_ADD_POLICY_NOBODY;
        default:
            return protocol::PT_ADD_POLICY_ANYONE;
    }
}

}  // namespace

ClientCore::WizardLink ClientCore::connectForWizard() {
    return connection_.connectToServer() ? WizardLink::Connected : WizardLink::ConnectFailed;
}

void ClientCore::sendRegistration(protocol::UserProfile profile) {
    profile.password = std::string(text::gbkPrefix(trimBlanks(profile.password), kPasswordLength));
    profile.localIp = localAddress_;
    me_.nickname = profile.nickname;
    me_.face = static_cast<uint8_t>(std::min<uint16_t>(profile.face, 84));
    password_ = profile.password;
    send(protocol::buildRegister(profile));
}

void ClientCore::sendWizardLogin(uint32_t id, const std::string& password) {
    setWizardAccount(id, password);
    sendLogin(connectionType_);
}

void ClientCore::setWizardProfile(const store::CMyInfo& profile, const std::string& serverAddress,
                                  uint16_t serverPort) {
    wizardProfile_ = profile;
    if (serverAddress.empty()) return;
    if (!config_.serverAddress) {
        profile::writeString(config_.windowsDir / "zemra.ini", "zemra", "serverip", serverAddress);
    }
    // The link in use stays; the next connection goes where the user said.
    if (!connection_.connected()) connection_.setServer(serverAddress, serverPort);
}

void ClientCore::requestDetails(uint32_t id, bool own) {
    ownDetails_ = own;
    send(protocol::buildUserIdPacket(protocol::PT_GET_DETAILS, id));
}

void ClientCore::onDetails(const protocol::UserDetails& details) {
    lastDetails_ = details;
    lastDetails_.nickname = withoutLeadingSpaces(details.nickname);
    lastDetails_.province = withoutLeadingSpaces(details.province);
    lastDetails_.city = withoutLeadingSpaces(details.city);
    lastDetails_.phone = withoutLeadingSpaces(details.phone);
    if (!loggedIn()) {
        tellUser("对不起,您还没有成功登陆服务器");
        return;
    }
    ui_.showDetails(lastDetails_, ownDetails_);
}

void ClientCore::submitOwnDetails(protocol::UserProfile profile, int addPolicy) {
    if (addPolicy != settings_.addType) {
        settings_.addType = addPolicy;
        send(protocol::buildHeaderOnly(addPolicyPacket(addPolicy)));
    }
    profile.userId = ownId_;
    profile.visibility = protocol::kVisibilityFriends;
    profile.password = std::string(text::gbkPrefix(trimBlanks(profile.password), kPasswordLength));
    pendingPassword_ = profile.password;
    send(protocol::buildSetDetails(profile));
}

void ClientCore::onDetailsSaved(bool saved) {
    if (!saved) {
        tellUser("对不起,修改资料失败!");
        return;
    }
    if (!pendingPassword_.empty()) {
        password_ = pendingPassword_;
        settings_.password = pendingPassword_;
        me_.password = pendingPassword_;
        storeOwnRecord();
    }
    tellUser("恭喜:修改资料成功!");
}

}  // namespace zemra::client
