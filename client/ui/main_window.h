// The client's main window: the skinned frame with the contact list, the
// number field and dial pad, the picture buttons, the media area and the
// ticker; the tray icon and the hot key; and the user interface the client
// core talks to.
#pragma once

#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

#include "client/app/client_core.h"
#include "client/app/ui_port.h"
#include "client/media/call_media.h"
#include "client/ui/edge_docker.h"
#include "client/ui/main_window_rules.h"
#include "client/ui/skinned_frame.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QSlider;
class QMenu;
class QTextEdit;

namespace zemra::client {
class CInputVolume;
class COutputVolume;
class MixerVolume;
}  // namespace zemra::client

namespace zemra::client::ui {

class CChatDlg;
class CDialOutDlg;
class CRingDlg;
class RemoteVideoDlg;
class VideoSurface;
class CImageButton;
class CSearchDlg;
class CModifyDetailDlg;
class CRegWizard;
class ContactListBar;
class GlobalHotKey;
class Ticker;

class MainWindow : public QWidget, public UiPort, public CallMediaPort {
    Q_OBJECT
  public:
    static constexpr int kWidth = 590;
    static constexpr int kCollapsedHeight = 333;
    static constexpr int kExpandedHeight = 463;
    static constexpr int kNumberLength = 8;
    // The call controls.
    static constexpr int kSupport = 1103;
    static constexpr int kConference = 1143;
    static constexpr int kHangUp = 1107;
    static constexpr int kDeviceTest = 1116;
    static constexpr int kRemoteVideo = 1131;
    static constexpr int kMusicShare = 1132;
    static constexpr int kSnapshot = 1133;
    static constexpr int kRedial = 1136;
    static constexpr int kSendCallText = 1145;
    static constexpr int kMicrophone = 1149;
    static constexpr int kSpeaker = 1150;

    explicit MainWindow(ClientConfig config, QWidget* parent = nullptr);
    ~MainWindow() override;

    ClientCore& core() { return *core_; }
    // Start-up: login (or wizard), probes, call log. False: the program ends.
    bool start(const std::optional<LoginChoice>& commandLine);

    // Runs the command of a control (the picture buttons' numbers).
    void runCommand(int control);
    // Commands that need a login say so and return false without one.
    bool requireLogin(bool ownDetails = false);

    ContactListBar* contactBar() const { return bar_; }
    QSystemTrayIcon* trayIcon() const { return tray_; }
    CImageButton* button(int control) const;
    QString numberText() const;
    bool textPaneExpanded() const { return expanded_; }
    bool trayAnimating() const { return trayAnimation_.isActive(); }
    EdgeDocker& docker() { return *docker_; }
    QMenu* buildMainMenu();
    QMenu* buildStatusMenu();
    // The restore action of a second start, while the title is still "zemra".
    void restoreFromSecondStart();
    // Tray double click and hot key.
    void openAction();

    // The chat window for `peer`, brought forward or opened (at `at` when given).
    CChatDlg* openChatWindow(uint32_t peer, std::optional<QPoint> at = std::nullopt);
    // "收发讯息" for a contact: its waiting message first, else the chat window.
    void talkTo(uint32_t peer);
    // The reply lists editor ("自定义...").
    void editReplies();
    // The search window (one at a time), brought forward.
    void openSearch();
    // The outgoing friend request for a user (one at a time).
    void openFriendRequest(uint32_t id, const std::string& gbkNick, uint16_t face);
    // "系统消息": the oldest waiting notice, else the history of notices.
    void showSystemMessages();

    // --- UiPort ---
    void showMessage(const std::string& text, const std::string& caption) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    LoginDialogResult runLoginDialog(const std::optional<LoginChoice>& commandLine) override;
    bool runAccountWizard() override;
    void loginPendingChanged(bool pending) override;
    void contactsChanged() override;
    void ownStatusChanged() override;
    void showContactPopup(uint8_t face, const std::string& text) override;
    void queueChanged() override;
    bool showInChatWindow(const store::ChatMessage& message) override;
    void openMessageView(uint32_t peer) override;
    void nextMessageWaiting(uint32_t peer) override;
    void addFriendResult(uint32_t id, int result) override;
    void playSound(const std::string& file) override;
    void wizardLoginResult(int code) override;
    void wizardRegistered(uint32_t newId) override;
    void showDetails(const protocol::UserDetails& details, bool own) override;
    void applySettings() override;
    void setTitle(const std::string& title) override;
    void setIdLabel(const std::string& text) override;
    void setCallUi(CallUi state, const std::string& text) override;
    void showCallButtons(bool calling) override;
    void callConnected(const ConnectedCall& call) override;
    void callTeardown() override;
    void callTextLine(const std::string& line, bool own) override;
    void fileOffered(const protocol::FileOffer& offer) override;

    CallMedia& media() { return *media_; }
    RemoteVideoDlg* remoteVideo();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildWindow();
    QWidget* buildMediaColumn();
    QWidget* buildDialPad();
    QWidget* buildToolbar();
    QWidget* buildTextPane();
    CImageButton* makeButton(int control, const QString& glyph, const char* tip,
                             const QString& background = "tool");
    void showLater(const char* what);

    // Calls (main_window_calls.cpp).
    void setUpCalls();
    void openMediaDevices();
    void releaseMediaDevices();
    void runCallCommand(int control);
    void setMicrophoneButton();
    void setMusicShare(bool on);
    void startDeviceTest();
    void takeSnapshot();
    void recordCall(bool on);
    void followWithRemoteVideo();
    // "系统参数": the options sheet on one of its pages.
    void openOptions(int page);
    void connectVolumeSlider(QSlider* slider, MixerVolume& volume);
    void openCallList();
    // --- CallMediaPort ---
    void mediaMessage(const std::string& text) override;
    store::TraceLog& trace() override;
    VolumeSetUp setUpVolumeControls(unsigned microphone, unsigned speaker) override;

    // Contact list reactions. Contacts are named by ID from the click to the
    // action: the list may re-sort (or lose the contact) meanwhile.
    void onContactDoubleClicked(uint32_t id);
    void onListRightClicked(int kind, int group, uint32_t id, const QPoint& pos);
    void onContactDropped(uint32_t id, int targetGroup);
    void showContactMenu(uint32_t id, const QPoint& pos);
    void removeFromList(const ListTarget& target);
    bool runDeleteWindow(uint32_t id);
    void showSkinMenu(const QPoint& pos);
    void applySkin();

    // Tray, hot key and docking.
    void updateTray();
    void onBlinkTick();
    void blinkSystemButton(bool on);
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void registerHotKey();
    void minimiseToTray();
    void writeTestState();
    static const QString& testStatePath();

    std::unique_ptr<ClientCore> core_;
    SkinnedFrame frame_;
    ContactListBar* bar_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* idLabel_ = nullptr;
    QLabel* ownFace_ = nullptr;
    QLineEdit* number_ = nullptr;
    QWidget* dialPad_ = nullptr;
    QWidget* textPane_ = nullptr;
    QTextEdit* callText_ = nullptr;
    QLineEdit* callInput_ = nullptr;
    Ticker* ticker_ = nullptr;
    std::map<int, CImageButton*> buttons_;
    QSystemTrayIcon* tray_ = nullptr;
    GlobalHotKey* hotKey_ = nullptr;
    QPointer<CRegWizard> wizard_;
    QPointer<CModifyDetailDlg> details_;
    QPointer<CSearchDlg> search_;
    uint32_t selectedContact_ = 0;
    bool expanded_ = false;
    bool inConference_ = false;
    int popups_ = 0;
    int trayStatus_ = -1;  // the status icon the tray shows

    std::unique_ptr<MediaEngines> engines_;
    std::unique_ptr<CallMedia> media_;
    MediaChoice mediaChoice_;
    std::unique_ptr<CInputVolume> inputVolume_;
    std::unique_ptr<COutputVolume> outputVolume_;
    WindowHandle levelsHandle_ = 0;
    VideoSurface* preview_ = nullptr;
    QProgressBar* micMeter_ = nullptr;
    QProgressBar* partnerMeter_ = nullptr;
    QSlider* micVolume_ = nullptr;
    QSlider* speakerVolume_ = nullptr;
    QPointer<CRingDlg> ring_;
    QPointer<CDialOutDlg> dialOut_;
    QPointer<RemoteVideoDlg> remote_;
    bool musicShare_ = false;

    QTimer animationTimer_;  // 2001: the online flashing
    QTimer trayAnimation_;   // 1003
    int trayFrame_ = 0;
    QTimer testStateTimer_;  // keeps the test state file current
    QTimer blinkTimer_;      // 1004: unread messages
    bool blinkOn_ = false;
    TrayClicks* trayClicks_ = nullptr;
    EdgeDocker* docker_ = nullptr;
};

}  // namespace zemra::client::ui
