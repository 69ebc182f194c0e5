#include "client_core.h"

#include "client/app/client_texts.h"

#include <ctime>

#include "client/net/nickname_collator.h"
#include "client/store/call_log.h"
#include "client/store/login_ids.h"
#include "client/store/machine_settings.h"
#include "client/store/time_text.h"
#include "include/xferlink.h"
#include "platform/netaddr.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "protocol/login_packets.h"
#include "protocol/relay_hello.h"
#include "protocol/simple_packets.h"

namespace zemra::client {

ClientCore::ClientCore(ClientConfig config, UiPort& ui, QObject* parent)
    : QObject(parent),
      config_(std::move(config)),
      ui_(ui),
      connection_(
          ServerConnection::Hooks{
              [this](uint16_t type, std::span<const uint8_t> packet) { dispatch(type, packet); },
              [this] { sendLogin(1); },
              [this] {
                  setLoginPending(false);
                  tellUser("网络故障，与服务器断开连接!\r\n请稍后再连,ZEMRA对此非常抱歉!");
              }},
          this),
      probes_(
          [this] {
              return ProbeSockets::Target{
                  QHostAddress(QString::fromStdString(connection_.serverAddress())), ownId_,
                  connection_.loggedIn()};
          },
          this),
      store_(config_.baseDir),
      contacts_(nicknameCollator()) {
    announceTimer_.setInterval(kAnnouncePeriodMs);
    connect(&announceTimer_, &QTimer::timeout, this,
            [this] { send(protocol::buildHeaderOnly(protocol::PT_ANNOUNCE)); });
    capabilityTimer_.setInterval(kReportPollMs);
    connect(&capabilityTimer_, &QTimer::timeout, this, &ClientCore::onCapabilityPoll);
}

ClientCore::~ClientCore() = default;

bool ClientCore::start(const std::optional<LoginChoice>& commandLine) {
    commandLine_ = commandLine;
    // The folders the program keeps its list of users and snapshots in;
    // they may exist already.
    std::error_code ignored;
    std::filesystem::create_directories(config_.baseDir / "config", ignored);
    std::filesystem::create_directories(config_.photoRoot, ignored);
    if (!chooseLocalAddress()) {
        ui_.showMessage("取本机IP地址出错!", kCaption);
        return false;
    }
    ui_.setTitle("zemra");
    if (!config_.tracePath.empty()) trace_.open(config_.tracePath);
    ownStatus_ = OwnStatus::Offline;
    readMachineSettings();
    if (!runLogin()) {
        shutdown();
        return false;
    }
    if (!probes_.bind(config_.probeBindAddress)) {
        ui_.showMessage("绑定通讯端口出错!", kCaption);
        shutdown();
        return false;
    }
    probes_.startProbes();
    registerBrowserButton();
    const std::tm now = store::localTime(std::time(nullptr));
    callLog_.Open(paths::callListDirIn(config_.baseDir, ownId_) /
                  store::callLogFileName(now, ownId_));
    devicesReady_ = true;
    started_ = true;
    return true;
}

// The browser toolbar button that starts the updater. Kept in a small
// settings file beside the machine-wide one; failures do not matter.
void ClientCore::registerBrowserButton() {
    const auto file = config_.windowsDir / "registry.ini";
    const char* key =
        "HKLM\\Software\\Microsoft\\Internet Explorer\\Extensions\\"
        "{399B92B5-A0FA-48c4-9021-854AFE51C84B}";
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    profile::writeString(file, key, "CLSID", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}");
    profile::writeString(file, key, "Default Visible", "Yes");
    profile::writeString(file, key, "ButtonText", "zemra");
    profile::writeString(file, key, "Icon", program.string() + ",128");
    profile::writeString(file, key, "HotIcon", program.string() + ",128");
    profile::writeString(file, key, "Exec", (program.parent_path() / "zemraautochecker").string());
}

bool ClientCore::chooseLocalAddress() {
    if (config_.localAddress) {
        localAddress_ = *config_.localAddress;
        return true;
    }
    const auto chosen = netaddr::chooseLocalAddress(netaddr::hostAddresses());
    localAddress_ = chosen.value_or("");
    return chosen.has_value();
}

void ClientCore::readMachineSettings() {
    store::writeVersionId(config_.windowsDir);
    const std::string address =
        config_.serverAddress.value_or(store::readServerIp(config_.windowsDir));
    connection_.setServer(address, config_.serverPort);
}

bool ClientCore::exit() {
    if (!ui_.askYesNo("您确定要退出ZEMRA吗?", kCaption)) return false;
    shutdown();
    return true;
}

void ClientCore::shutdown() {
    calls_.hangUp();
    trace_.close();
    callLog_.Close();
    if (config_.callXferlink) QuitSend();
    const bool wasLoggedIn = connection_.loggedIn();
    connection_.shutdown();
    announceTimer_.stop();
    capabilityTimer_.stop();
    probes_.stopProbes();
    // A password the server never accepted is not remembered.
    if (wasLoggedIn) saveSettings();
    setLoginPending(false);
    setOwnStatus(OwnStatus::Offline);
    contacts_.setAllOffline();
    started_ = false;
}

void ClientCore::setMediaAvailable(bool video, bool audio) {
    videoAvailable_ = video;
    audioAvailable_ = audio;
}

void ClientCore::saveSettings() {
    if (ownId_ == 0) return;
    store::SaveSettings(settings_, paths::userDirIn(config_.baseDir, ownId_) / "zemra.ini",
                        config_.windowsDir);
}

void ClientCore::optionsChanged() {
    storeOptions();
    callMode_ = settings_.callModel;
    saveSettings();
    applySettings();
}

void ClientCore::applySettings() {
    ui_.setTitle("zemra_" + std::to_string(ownId_));
    ui_.applySettings();
    ui_.contactsChanged();
    ui_.ownStatusChanged();
}

void ClientCore::onCapabilityPoll() {
    if (!devicesReady_) return;
    capabilityTimer_.stop();
    paths::createPhotoDirsIn(config_.photoRoot, ownId_);
    ui_.setIdLabel("ID:" + std::to_string(ownId_));
    protocol::Capabilities capabilities;
    capabilities.video = videoAvailable_;
    capabilities.audio = audioAvailable_;
    send(protocol::buildCapabilities(capabilities));
    if (config_.callXferlink) {
        InitPort(static_cast<long>(ownId_), protocol::kFileRelayPort,
                 connection_.serverAddress().c_str());
    }
    announceTimer_.start();
}

const store::CUserInfo* ClientCore::contactOrSelf(uint32_t id) const {
    if (id == 0) return &me_;
    return contacts_.findContact(id);
}

void ClientCore::createFacePopup(int picture, const std::string& text, int /*style*/) {
    ui_.showContactPopup(static_cast<uint8_t>(picture % 85), text);
}

void ClientCore::onContactChanged(const store::Contact& contact) {
    store_.putContact(contact);
    ui_.contactsChanged();
}

void ClientCore::storeOwnRecord() {
    store_.putMyInfo(me_);
}

void ClientCore::notifyWindowFor(uint32_t /*id*/) {}

}  // namespace zemra::client
