// Login, the account wizard path, and the own-status commands.
#include <QTimer>
#include <algorithm>

#include "client/app/client_core.h"
#include "client/app/client_texts.h"
#include "client/app/login_refusal.h"
#include "client/store/login_ids.h"
#include "client/store/replies.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "protocol/login_packets.h"
#include "protocol/simple_packets.h"

namespace zemra::client {
namespace {

constexpr std::size_t kAwayRepliesUsable = 10;

}  // namespace

void ClientCore::selectUser(uint32_t id) {
    ownId_ = id;
    paths::createUserDirsIn(config_.baseDir, id);
    store_.setUserDir(paths::userDirIn(config_.baseDir, id));
}

void ClientCore::cleanUpBeforeLogin() {
    setOwnStatus(OwnStatus::Offline);
    contacts_.setAllOffline();
}

bool ClientCore::loadUserData() {
    store::CUserOptions options;
    store::CMyInfo me;
    store::COutbarLayout layout;
    const bool haveOptions = store_.getOptions(options);
    const bool haveMe = store_.getMyInfo(me);
    std::vector<store::Contact> stored;
    store_.LoadContacts(stored);
    const bool haveLayout = store_.getLayout(layout);
    if (!haveOptions || !haveMe || !haveLayout || layout.groups.size() <= 2) return false;
    options_ = options;
    me_ = me;
    look_ = layout;
    contacts_.load(std::move(stored), layout);
    return true;
}

bool ClientCore::runLogin() {
    const LoginDialogResult dialog = ui_.runLoginDialog(commandLine_);
    commandLine_.reset();  // the command line is offered once
    if (dialog.kind == LoginDialogResult::Kind::Cancelled) return false;
    if (dialog.kind == LoginDialogResult::Kind::Register) return runAccountWizardPath();

    cleanUpBeforeLogin();
    const LoginChoice& choice = dialog.choice;
    selectUser(choice.userId);
    settings_ = store::LoadSettings(store_.userDir() / "zemra.ini", config_.dataDir);
    if (!loadUserData()) {
        if (!ui_.askYesNo("用户信息已损坏，是否使用注册向导修复?", kCaption)) return false;
        return runAccountWizardPath();
    }
    // What the dialog's confirmation keeps: the two choices in the options
    // record and the settings, and this ID first in the list of users.
    if (options_.hasFlag(store::kOptLoginInvisible) != choice.invisible ||
        options_.hasFlag(store::kOptSavePassword) != choice.savePassword) {
        options_.setFlag(store::kOptLoginInvisible, choice.invisible);
        options_.setFlag(store::kOptSavePassword, choice.savePassword);
        storeOptions();
    }
    settings_.invis = choice.invisible ? 1 : 0;
    settings_.save = choice.savePassword ? 1 : 0;
    store::RememberLoginId(config_.baseDir / "config", choice.userId);

    callMode_ = settings_.callModel;
    password_ = text::gbkPrefix(trimBlanks(choice.password), kPasswordLength);
    settings_.password = password_;
    connectionType_ = choice.connectionType;
    applySettings();
    if (!connection_.connectToServer()) {
        ui_.showMessage("网络故障，不能与服务器进行连接!", kCaption);
        return false;
    }
    sendLogin(connectionType_);
    return true;
}

void ClientCore::sendLogin(uint16_t connectionType) {
    protocol::LoginRequest login;
    login.userId = ownId_;
    login.password = password_;
    login.localIp = localAddress_;
    login.invisible = options_.hasFlag(store::kOptLoginInvisible);
    login.connectionType = connectionType;
    setLoginPending(true);
    send(protocol::buildLogin(login));
}

void ClientCore::setWizardAccount(uint32_t id, const std::string& password) {
    ownId_ = id;
    password_ = text::gbkPrefix(trimBlanks(password), kPasswordLength);
}

bool ClientCore::runAccountWizardPath() {
    cleanUpBeforeLogin();
    // Only a contact list that arrives while the wizard is open is merged.
    contacts_.setTable({});
    wizardOpen_ = true;
    const bool completed = ui_.runAccountWizard();
    wizardOpen_ = false;
    if (!completed || ownId_ == 0) return false;

    selectUser(ownId_);
    initialiseNewUser();
    const std::string password = password_;
    settings_ = store::LoadSettings(store_.userDir() / "zemra.ini", config_.dataDir);
    password_ = password;
    settings_.password = password;
    store::RememberLoginId(config_.baseDir / "config", ownId_);
    mergeLoginContacts();
    saveLayout();
    saveSettings();  // the new account's settings are kept at once
    applySettings();
    setOwnStatus(OwnStatus::Online);
    capabilityTimer_.start();
    return true;
}

void ClientCore::initialiseNewUser() {
    options_ = store::CUserOptions{};
    options_.applyNewUserDefaults(config_.dataDir);
    store::writeDefaultReplies(store_.userDir());
    look_ = store::COutbarLayout::forNewUser();
    contacts_.load({}, look_);
    // The wizard's profile; an existing account's name and face come from its login answer.
    me_ = wizardProfile_.value_or(store::CMyInfo{});
    wizardProfile_.reset();
    me_.id = ownId_;
    if (!contacts_.table().empty()) {
        me_.nickname = trimBlanks(contacts_.table().front().nickname);
        me_.face = static_cast<uint8_t>(std::min<uint16_t>(contacts_.table().front().face, 84));
    }
    me_.password = password_;
    storeOptions();
    store_.putMyInfo(me_);
}

void ClientCore::onLoginResult(int code, int /*value*/) {
    setLoginPending(false);
    if (code != 0) {
        if (wizardOpen_) {
            ui_.wizardLoginResult(code);
            return;
        }
        // The message and the dialog after it run once this packet has been
        // handled, not inside its handler: the link may close and go while
        // they wait for the user, and a second answer must not stack a
        // second dialog on the first.
        QTimer::singleShot(0, this, [this, text = loginRefusalText(code)] {
            ui_.showMessage(text, kCaption);
            runLogin();
        });
        return;
    }
    if (wizardOpen_) {
        ui_.wizardLoginResult(0);
        return;
    }
    const auto& table = contacts_.table();
    if (!table.empty()) {
        me_.nickname = trimBlanks(table.front().nickname);
        me_.face = static_cast<uint8_t>(std::min<uint16_t>(table.front().face, 84));
        storeOwnRecord();
    }
    setOwnStatus(options_.hasFlag(store::kOptLoginInvisible) ? OwnStatus::Invisible
                                                             : OwnStatus::Online);
    mergeLoginContacts();
    saveLayout();
    // The login dialog's choices are kept now that the server took them.
    saveSettings();
    capabilityTimer_.start();
}

void ClientCore::setLoginPending(bool pending) {
    if (loginPending_ == pending) return;
    loginPending_ = pending;
    ui_.loginPendingChanged(pending);
}

void ClientCore::tellUser(std::string text) {
    QTimer::singleShot(0, this,
                       [this, text = std::move(text)] { ui_.showMessage(text, kCaption); });
}

void ClientCore::setOwnStatus(OwnStatus status) {
    if (ownStatus_ == status) return;
    ownStatus_ = status;
    ui_.ownStatusChanged();
}

void ClientCore::goOnline() {
    if (ownStatus_ == OwnStatus::Offline || ownStatus_ == OwnStatus::Online) return;
    setOwnStatus(OwnStatus::Online);
    send(protocol::buildHeaderOnly(protocol::PT_GO_VISIBLE));
}

void ClientCore::goInvisible() {
    if (ownStatus_ == OwnStatus::Offline || ownStatus_ == OwnStatus::Invisible) return;
    setOwnStatus(OwnStatus::Invisible);
    send(protocol::buildHeaderOnly(protocol::PT_GO_INVISIBLE));
}

void ClientCore::goAwayWithoutText() {
    send(protocol::buildAwayText(""));
    options_.setFlag(store::kOptAutoReplyActive, false);
    storeOptions();
    if (ownStatus_ != OwnStatus::Offline) setOwnStatus(OwnStatus::Away);
}

void ClientCore::goAwayWithReply(std::size_t index) {
    if (index >= kAwayRepliesUsable) return;
    const auto replies = store::LoadReplies(store_.userDir() / "autoreply.txt");
    if (index >= replies.size()) return;
    options_.autoReplyText = replies[index];
    options_.setFlag(store::kOptAutoReplyActive, true);
    send(protocol::buildAwayText(options_.autoReplyText));
    storeOptions();
    if (ownStatus_ != OwnStatus::Offline) setOwnStatus(OwnStatus::Away);
}

void ClientCore::goOffline() {
    if (ownStatus_ == OwnStatus::Offline) return;
    setOwnStatus(OwnStatus::Offline);
    contacts_.setAllOffline();
    ui_.contactsChanged();
}

void ClientCore::onRegistered(uint32_t newId) {
    ownId_ = newId;
    // The server opens the new user's session with the registration itself;
    // without this the client would refuse every command until a reconnect.
    if (newId != 0) connection_.onLoginAccepted();
    ui_.wizardRegistered(newId);
}

void ClientCore::onWizardContacts(const std::vector<protocol::ContactRecord>& contacts) {
    std::vector<protocol::ContactRecord> table;
    table.push_back(protocol::ContactRecord{});
    table.insert(table.end(), contacts.begin(), contacts.end());
    contacts_.setTable(std::move(table));
}

}  // namespace zemra::client
