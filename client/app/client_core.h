// The heart of the client without its windows: the server connection and
// its packets, the login and the own status, the contact list and presence,
// the local store of the logged-in user, and the timers that drive them.
// Everything runs on the GUI thread; the user interface is reached only
// through UiPort, so tests drive the core headless.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "client/app/call_signalling.h"
#include "client/app/client_events.h"
#include "client/app/ui_port.h"
#include "client/app/window_registry.h"
#include "client/net/contact_list.h"
#include "client/net/message_queue.h"
#include "client/net/online_animation.h"
#include "client/net/probe_sockets.h"
#include "client/net/server_connection.h"
#include "client/store/call_log.h"
#include "client/store/record_store.h"
#include "client/store/trace_log.h"
#include "client/store/user_records.h"
#include "client/store/user_settings.h"
#include "protocol/profile_packets.h"
#include "protocol/search_packets.h"

namespace zemra::client {

enum class OwnStatus : int { Online = 0, Offline = 1, Away = 2, Invisible = 3 };

struct ClientConfig {
    std::filesystem::path baseDir;
    std::filesystem::path dataDir;
    std::filesystem::path windowsDir;
    std::filesystem::path photoRoot;
    std::filesystem::path tracePath;  // "trace.txt"; empty: no tracing
    QHostAddress probeBindAddress = QHostAddress::AnyIPv4;
    uint16_t serverPort = 3000;
    // Overrides the server address of the machine-wide settings (tests).
    std::optional<std::string> serverAddress;
    // Overrides the address walk over the host's interfaces (tests).
    std::optional<std::string> localAddress;
    bool callXferlink = true;  // InitPort after login, QuitSend at exit
};

// Window messages posted to registered reply windows.
inline constexpr uint32_t kWmSearchStatus = 3124;
inline constexpr uint32_t kWmSearchResult = 3126;
inline constexpr uint32_t kWmFileNotice = 3127;
inline constexpr uint32_t kWmContactDeleted = 3134;

class ClientCore : public QObject, public ClientEvents, private CallPort {
    Q_OBJECT
  public:
    static constexpr uint16_t kProtocolVersion = 10009;
    static constexpr int kAnnouncePeriodMs = 2000;
    static constexpr int kReportPollMs = 500;

    ClientCore(ClientConfig config, UiPort& ui, QObject* parent = nullptr);
    ~ClientCore() override;

    // The main window's start-up: local address, trace file, machine-wide
    // settings, login, probe sockets, today's call log. False when the
    // program should end (after the message, if there is one).
    bool start(const std::optional<LoginChoice>& commandLine = std::nullopt);
    // Asks "您确定要退出ZEMRA吗?" and, on yes, shuts everything down in order.
    bool exit();
    // The shut-down without asking, also used when start-up fails half way.
    void shutdown();

    // Shows the login dialog and sends the login; true when it went out.
    bool runLogin();

    // Own-status commands of the status menu.
    void goOnline();
    void goInvisible();
    void goAwayWithoutText();
    // Away with automatic reply number `index` (0 ... 9) of "autoreply.txt".
    void goAwayWithReply(std::size_t index);
    void goOffline();

    // The account wizard reports the account it registered or logged in with.
    void setWizardAccount(uint32_t id, const std::string& password);

    // --- account wizard: it connects and sends on its own page ---
    enum class WizardLink { Connected, SocketFailed, ConnectFailed };
    WizardLink connectForWizard();
    // PT_REGISTER; the nickname, face and password become the own ones.
    void sendRegistration(protocol::UserProfile profile);
    // PT_LOGIN for an existing account; the ID and password become the own ones.
    void sendWizardLogin(uint32_t id, const std::string& password);
    // What a completed wizard collected: the new user's profile record, and
    // the server to use from now on (written to the machine-wide settings).
    void setWizardProfile(const store::CMyInfo& profile, const std::string& serverAddress,
                          uint16_t serverPort);

    // --- user details ---
    // PT_GET_DETAILS; `own` marks the answer as the user's own details.
    void requestDetails(uint32_t id, bool own);
    const protocol::UserDetails& lastDetails() const { return lastDetails_; }
    bool ownDetails() const { return ownDetails_; }
    // The add policy packet first when `addPolicy` (0 anyone, 1 with
    // authentication, 2 nobody) differs from the setting, then PT_SET_DETAILS.
    void submitOwnDetails(protocol::UserProfile profile, int addPolicy);
    const std::string& password() const { return password_; }

    // --- groups and contacts edited in the list ---
    void renameGroup(std::size_t index, const std::string& gbkName);
    void renameContact(uint32_t id, const std::string& gbkNickname);
    // Deletes an empty ordinary group; otherwise says why it stays.
    std::optional<ContactList::KeepGroup> deleteEmptyGroup(std::size_t index);
    // Asks the server to drop the contact (PT_SET_RELATION 0) and clears its
    // table entry; the delete-contact window waits for the confirmation.
    void requestServerRemoval(uint32_t id);
    enum class MoveKind { None, Local, ViaServer };
    // How dragging a contact onto `targetGroup` is carried out.
    MoveKind planMove(uint32_t id, std::size_t targetGroup) const;
    // A move that needs no server: special to ordinary, or within a kind.
    void moveLocally(uint32_t id, std::size_t targetGroup);

    // The options sheet changed the options and settings: both are stored
    // and the windows follow them.
    void optionsChanged();
    // Writes the user's "zemra.ini" now (any change is kept at once, also
    // while the link is down).
    void saveSettings();

    // The media devices are ready (the after-login report may go out).
    void setDevicesReady(bool ready) { devicesReady_ = ready; }
    void setMediaAvailable(bool video, bool audio);

    // Sends a packet if connected; silently nothing otherwise.
    void send(const std::vector<uint8_t>& packet) { connection_.send(packet); }
    // Handles one packet from the server: one switch on its type.
    void dispatch(uint16_t type, std::span<const uint8_t> packet);
    // True while a packet is being handled. Nothing modal may run then: the
    // link can close and go inside a dialog's event loop.
    bool handlingPacket() const { return dispatchDepth_ > 0; }
    // A login went out and has not been answered.
    bool loginPending() const { return loginPending_; }

    // --- text messages ---
    // Sends an own message (the window has filled peer, time, text and
    // format), cut into as many messages as its text needs, and stores each
    // one as sent. Nothing is sent or stored without a connection. Returns
    // the messages that went out.
    std::vector<store::ChatMessage> sendChatMessage(const store::ChatMessage& message);
    // Texts the client writes by itself (the away reply, greetings) go out
    // as own messages of `kind` in the default format.
    void sendTextHook(uint8_t kind, uint32_t peer, const std::string& gbkText);
    // The oldest queued message of `peer`, or the first of the queue, taken
    // out of it.
    std::optional<store::ChatMessage> takeQueued(uint32_t peer);
    std::optional<store::ChatMessage> takeFirstQueued();

    // Contact-list actions that need no window.
    void removeStranger(uint32_t id);
    // After the server confirmed a removal: out of the list, or into a
    // special group when `targetGroup` is given.
    void completeRemoval(uint32_t id, std::optional<std::size_t> targetGroup);
    void saveLayout();

    // --- state ---
    uint32_t ownId() const { return ownId_; }
    OwnStatus ownStatus() const { return ownStatus_; }
    bool loggedIn() const { return connection_.loggedIn(); }
    const std::string& localAddress() const { return localAddress_; }
    // Incoming messages not yet shown.
    MessageQueue& messageQueue() { return messages_; }
    const ContactList& contacts() const { return contacts_; }
    ContactList& contacts() { return contacts_; }
    const store::CUserOptions& options() const { return options_; }
    store::CUserOptions& options() { return options_; }
    const store::UserSettings& settings() const { return settings_; }
    store::UserSettings& settings() { return settings_; }
    const store::CMyInfo& me() const { return me_; }
    // Colours and icon size of the list, stored with the groups.
    store::COutbarLayout& look() { return look_; }
    store::RecordStore& recordStore() { return store_; }
    WindowRegistry& windows() { return windows_; }
    ServerConnection& connection() { return connection_; }
    ProbeSockets& probes() { return probes_; }
    OnlineAnimation& animation() { return animation_; }
    store::CFilelog& callLog() { return callLog_; }
    CallSignalling& calls() { return calls_; }
    store::TraceLog& trace() { return trace_; }
    const CallSignalling& calls() const { return calls_; }
    bool announcing() const { return announceTimer_.isActive(); }
    int callMode() const { return callMode_; }
    const ClientConfig& config() const { return config_; }

    // Reply windows for answers that arrive later.
    void setReplyWindow(WindowHandle window) { replyWindow_ = window; }
    void setSearchWindowOpen(bool open) { searchWindowOpen_ = open; }
    void setDeleteContactWindow(WindowHandle window) { deleteContactWindow_ = window; }
    void setFileTransferWindow(WindowHandle window) { fileTransferWindow_ = window; }
    const std::vector<protocol::SearchResultEntry>& searchResults() const { return searchResults_; }

    // --- ClientEvents ---
    const store::CUserInfo* contactOrSelf(uint32_t id) const override;
    void createFacePopup(int picture, const std::string& text, int style) override;
    void onMessage(const store::ChatMessage& message) override;
    // A message the server kept while we were offline: no presence effects.
    void onPassiveMessage(const store::ChatMessage& message);
    void onRegistered(uint32_t newId) override;
    void onWizardContacts(const std::vector<protocol::ContactRecord>& contacts) override;
    void onLoginResult(int code, int value) override;
    void onContactChanged(const store::Contact& contact) override;
    void storeOwnRecord() override;
    void onContactOnline(uint32_t id, uint8_t presence, uint32_t extra1, uint16_t extra2,
                         uint32_t extra3, bool quiet) override;
    void onContactOffline(uint32_t id) override;
    void onContactStatus(uint32_t id, uint8_t presence) override;
    void onContactAdded(uint32_t id, AddResult result) override;
    void notifyWindowFor(uint32_t id) override;

  private:
    // --- CallPort ---
    bool linkReady() const override { return loggedIn(); }
    uint32_t ownUserId() const override { return ownId_; }
    int callModeSetting() const override { return callMode_; }
    bool friendsOnlySetting() const override { return settings_.limit != 0; }
    void sendCallPacket(const std::vector<uint8_t>& packet) override;
    void logCall(uint32_t id, const std::string& gbkName, store::CallKind kind) override;
    void tellCallUser(const std::string& text) override { tellUser(text); }
    std::optional<uint16_t> relationOf(uint32_t id) const override;
    void setCallUi(CallUi state, const std::string& text) override { ui_.setCallUi(state, text); }
    void showCallButtons(bool calling) override { ui_.showCallButtons(calling); }
    void callConnected(const ConnectedCall& call) override;
    void callTeardown() override;
    void callTextLine(const std::string& line, bool own) override { ui_.callTextLine(line, own); }

    void dispatchPacket(uint16_t type, std::span<const uint8_t> packet);
    bool chooseLocalAddress();
    void readMachineSettings();
    void registerBrowserButton();
    void selectUser(uint32_t id);
    bool loadUserData();
    bool runAccountWizardPath();
    void initialiseNewUser();
    void cleanUpBeforeLogin();
    void applySettings();
    void sendLogin(uint16_t connectionType);
    void onCapabilityPoll();
    void setOwnStatus(OwnStatus status);
    void setLoginPending(bool pending);
    // A message box once the current packet or timer has been handled.
    void tellUser(std::string text);
    void mergeLoginContacts();
    void receiveMessage(const store::ChatMessage& message, bool passive);
    void queueMessage(const store::ChatMessage& message);
    // The contact of a message's sender, created in `group` (named by its
    // ID) when there is none yet.
    store::Contact& senderContact(uint32_t id, std::size_t group);
    void storeOptions() { store_.putOptions(options_); }
    void onDetails(const protocol::UserDetails& details);
    void onDetailsSaved(bool saved);

    ClientConfig config_;
    UiPort& ui_;
    ServerConnection connection_;
    ProbeSockets probes_;
    store::RecordStore store_;
    ContactList contacts_;
    MessageQueue messages_;
    OnlineAnimation animation_;
    WindowRegistry windows_;
    store::TraceLog trace_;
    store::CFilelog callLog_;

    std::string localAddress_;
    uint32_t ownId_ = 0;
    std::string password_;  // GBK, trimmed
    uint16_t connectionType_ = 0;
    OwnStatus ownStatus_ = OwnStatus::Offline;
    int callMode_ = 2;
    bool devicesReady_ = false;
    bool videoAvailable_ = true;
    bool audioAvailable_ = true;
    bool wizardOpen_ = false;
    bool started_ = false;
    bool loginPending_ = false;
    int dispatchDepth_ = 0;
    std::optional<LoginChoice> commandLine_;

    store::CUserOptions options_;
    store::CMyInfo me_;
    store::COutbarLayout look_;
    store::UserSettings settings_;

    WindowHandle replyWindow_ = 0;
    bool searchWindowOpen_ = false;
    WindowHandle deleteContactWindow_ = 0;
    WindowHandle fileTransferWindow_ = 0;
    uint16_t searchCount_ = 0;
    std::vector<protocol::SearchResultEntry> searchResults_;

    std::optional<store::CMyInfo> wizardProfile_;
    protocol::UserDetails lastDetails_;
    bool ownDetails_ = false;
    std::string pendingPassword_;  // sent with PT_SET_DETAILS, kept once saved

    QTimer announceTimer_;
    QTimer capabilityTimer_;
    CallSignalling calls_{*this};
};

}  // namespace zemra::client
