// Setting up and ending calls through the server: the call state, placing a
// call, the answers to it, incoming requests taken by the user's call
// settings, the ringing and dial-out time-outs, hang-ups from either side,
// the in-call text lines and every call-log event.
//
// The class holds the rules only; what they cause is asked of a CallPort
// (the core sends and logs, the main window shows windows and runs the
// media). Everything runs on the GUI thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "client/store/call_log.h"

namespace zemra::client {

// The partner of a call once the server has connected it.
struct ConnectedCall {
    uint32_t partnerId = 0;
    std::string partnerName;      // GBK
    uint32_t partnerAddress = 0;  // IPv4, network byte order
    uint32_t videoPort = 0;
    uint32_t audioPort = 0;
};

// What the ringing and dial-out windows show (setCallUi).
enum class CallUi { DialOut = 0, Ringing = 1, HideAll = 3 };

class CallPort {
  public:
    virtual ~CallPort() = default;
    // The session and the user's call settings ("callmodel": 0 accept,
    // 1 refuse, 2 ring; "limit": only friends may call).
    virtual bool linkReady() const = 0;
    virtual uint32_t ownUserId() const = 0;
    virtual int callModeSetting() const = 0;
    virtual bool friendsOnlySetting() const = 0;

    virtual void sendCallPacket(const std::vector<uint8_t>& packet) = 0;
    virtual void logCall(uint32_t id, const std::string& gbkName, store::CallKind kind) = 0;
    // A message box once the current packet has been handled. UTF-8.
    virtual void tellCallUser(const std::string& text) = 0;
    // The relation code of the contact table entry for `id`, if there is one.
    virtual std::optional<uint16_t> relationOf(uint32_t id) const = 0;
    // Shows or hides the ringing and dial-out windows; `text` is what the
    // shown one says (UTF-8).
    virtual void setCallUi(CallUi state, const std::string& text) = 0;
    // The hang-up button instead of the call button (true), or back.
    virtual void showCallButtons(bool calling) = 0;
    // The media of a connected call start, and stop again.
    virtual void callConnected(const ConnectedCall& call) = 0;
    virtual void callTeardown() = 0;
    // A line for the in-call text pane (UTF-8, ending "\r\n"); `own` lines are
    // red, the partner's blue and expand the pane.
    virtual void callTextLine(const std::string& line, bool own) = 0;
};

class CallSignalling : public QObject {
    Q_OBJECT
  public:
    static constexpr int kRingTickMs = 2000;  // ringing window, timer 1
    static constexpr int kDialTickMs = 2000;  // dial-out window, timer 1
    static constexpr int kTimeoutTicks = 10;  // the eleventh tick ends it
    static constexpr uint32_t kSupportId = 10001;

    explicit CallSignalling(CallPort& port, QObject* parent = nullptr);

    void setInConference(bool on) { inConference_ = on; }

    // --- placing calls ---
    // The main window's call button with a typed number (`typed`, any
    // blanks) or a chosen contact. Says why nothing happens, if so.
    void callNumber(const std::string& typed);
    void callContact(uint32_t id, const std::string& gbkName);
    // Other windows (chat, search, call log) check the call and the own ID
    // in their own words first.
    void callFromWindow(uint32_t id, const std::string& gbkName, const char* inCallText);
    // The common path once the preconditions hold.
    void placeCall(uint32_t calleeId, const std::string& gbkName);

    // --- the windows' buttons ---
    void acceptRinging();   // "接收"
    void declineRinging();  // "拒绝" and the ringing window's close box
    void cancelDialling();  // "取消" and the dial-out window's close box
    // The hang-up button and leaving the program.
    void hangUp();
    // The device test: a call with oneself at the own sockets, which ends
    // like any other call but tells the server nothing.
    void startDeviceTest(uint32_t ownId, const std::string& gbkName, uint32_t address,
                         uint16_t videoPort, uint16_t audioPort);
    bool deviceTest() const { return deviceTest_; }

    // --- in-call text ---
    void sendCallText(const std::string& utf8Input);

    // --- server packets ---
    // True when the packet was a call packet (and has been handled).
    bool handlePacket(uint16_t type, std::span<const uint8_t> packet);

    // The time-outs, one tick of each window's timer 1.
    void ringTick();
    void dialTick();

    // --- state ---
    bool inCall() const { return inCall_; }
    bool incomingRinging() const { return incomingRinging_; }
    bool outgoingRinging() const { return outgoingRinging_; }
    bool accepted() const { return accepted_; }
    bool idle() const { return !inCall_ && !incomingRinging_ && !outgoingRinging_ && !accepted_; }
    uint32_t partnerId() const { return partnerId_; }
    const std::string& partnerName() const { return partnerName_; }
    const std::string& note() const { return note_; }
    const std::optional<ConnectedCall>& connection() const { return connection_; }
    uint32_t lastDialled() const { return lastDialled_; }
    bool ringTimerRunning() const { return ringTimer_.isActive(); }
    bool dialTimerRunning() const { return dialTimer_.isActive(); }

  private:
    // The call events of the main window.
    enum Event {
        kNoteLeft = 1,
        kConnected = 3,
        kOwnCancel = 4,
        kCallerCancelled = 21,
        kRing = 22,
        kRefused = 23,
        kNotOnline = 100,
        kNoEffect = 101,
        kBusy = 102,
    };
    void onCallEvent(Event event);
    void setCallUi(CallUi state);
    void backToIdleButtons();
    void log(store::CallKind kind) { port_.logCall(partnerId_, partnerName_, kind); }
    std::string partnerText(const char* format) const;

    void onAnswer(uint16_t subCode);
    void onNote(std::string note);
    void onIncoming(uint32_t callerId, const std::string& nickname);
    void onWithdrawn(uint32_t callerId, const std::string& nickname);
    void onConnected(const ConnectedCall& call);
    void onPartnerHungUp();
    void onCallText(uint32_t senderId, const std::string& nickname, const std::string& text);
    bool mayCall(uint32_t callerId) const;
    void endCall();
    void forgetPartner();

    CallPort& port_;
    bool inConference_ = false;

    bool inCall_ = false;
    bool incomingRinging_ = false;
    bool outgoingRinging_ = false;
    bool accepted_ = false;    // accepted, waiting for the connection
    bool placedByMe_ = false;  // the current call was dialled here
    bool ending_ = false;
    bool deviceTest_ = false;
    uint32_t partnerId_ = 0;
    std::string partnerName_;  // GBK
    std::string note_;         // GBK
    std::optional<ConnectedCall> connection_;
    uint32_t lastDialled_ = 0;

    QTimer ringTimer_;
    QTimer dialTimer_;
    int ringTicks_ = 0;
    int dialTicks_ = 0;
};

}  // namespace zemra::client
