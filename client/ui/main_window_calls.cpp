// The main window's part in calls: the call and hang-up buttons, the
// ringing and dial-out windows, the media devices and the partner's
// picture, the microphone and speaker switches, the level meters, music
// share, snapshots, the in-call text pane, the device test and the call log.
#include <QDateTime>
#include <QDesktopServices>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include "client/media/input_volume.h"
#include "client/media/music_share.h"
#include "client/media/output_volume.h"
#include "client/media/volume_scale.h"
#include "client/ui/call_list_dlg.h"
#include "client/ui/call_setup_dlg.h"
#include "client/ui/image_button.h"
#include "client/ui/main_window.h"
#include "client/ui/photo_dlg.h"
#include "client/ui/remote_video_dlg.h"
#include "client/ui/sys_option_dlg.h"
#include "client/ui/ui_text.h"
#include "client/ui/video_surface.h"
#include "client/ui/window_message_bridge.h"
#include "include/sndcore.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

constexpr uint32_t kSupportId = 10001;
// The conference program has ended: the devices may be opened again.
constexpr uint32_t kWmConferenceEnded = kWmUser + 3001;

}  // namespace

void MainWindow::setUpCalls() {
    engines_ = makeEngineLibraries();
    media_ = std::make_unique<CallMedia>(*engines_, *this);
    levelsHandle_ = WindowMessageBridge::registerWidget(this);
}

void MainWindow::openMediaDevices() {
    mediaChoice_ = deviceChoiceOf(core_->settings(), mediaChoice_.frameRate);
    MediaWindows windows;
    windows.preview = preview_->handle();
    windows.previewRect = preview_->area();
    windows.levels = levelsHandle_;
    RemoteVideoDlg* remote = remoteVideo();
    windows.remote = remote->surface()->handle();
    windows.remoteRect = remote->surface()->area();
    media_->openDevices(mediaChoice_, core_->ownId(), windows);
    storeDeviceChoice(mediaChoice_, core_->settings());
    core_->setMediaAvailable(media_->videoAvailable(), media_->audioAvailable());
}

void MainWindow::releaseMediaDevices() {
    core_->calls().hangUp();
    media_->releaseDevices();
    inputVolume_.reset();
    outputVolume_.reset();
    micVolume_->setEnabled(false);
    speakerVolume_->setEnabled(false);
}

RemoteVideoDlg* MainWindow::remoteVideo() {
    if (!remote_) {
        remote_ = new RemoteVideoDlg(this);
        connect(
            remote_, &RemoteVideoDlg::pictureMoved, this,
            [this](WindowHandle window, MediaRect where) { media_->placePartner(window, where); });
        connect(remote_, &RemoteVideoDlg::snapshotWanted, this, &MainWindow::takeSnapshot);
        connect(remote_, &RemoteVideoDlg::recordWanted, this, &MainWindow::recordCall);
    }
    return remote_;
}

// The partner's picture stays beside the main window when it moves.
void MainWindow::followWithRemoteVideo() {
    if (remote_ && remote_->isVisible()) remote_->placeBeside(frameGeometry());
}

// The sheet writes the user's choices; the devices follow them where they
// can, and what they could not follow is put back.
void MainWindow::openOptions(int page) {
    DeviceLists devices{engines_->cameraNames(), engines_->microphoneNames(),
                        engines_->speakerNames()};
    CSysOptionDlg sheet(core_->options(), core_->settings(),
                        paths::userDirIn(core_->config().baseDir, core_->ownId()),
                        std::move(devices), mediaChoice_, static_cast<CSysOptionDlg::Page>(page),
                        this);
    if (sheet.exec() != QDialog::Accepted) return;
    sheet.commit(core_->options(), core_->settings());
    const MediaChoice wanted = sheet.wantedDevices();
    media_->changeSoundDevices(mediaChoice_, wanted.microphone, wanted.speaker);
    media_->changeVideo(mediaChoice_, wanted);
    storeDeviceChoice(mediaChoice_, core_->settings());
    core_->optionsChanged();
}

// --- CallMediaPort ---

void MainWindow::mediaMessage(const std::string& text) {
    // Shown once start-up has finished, so that no dialog runs inside it.
    QTimer::singleShot(0, this, [this, text] { showMessage(text, "zemra"); });
}

store::TraceLog& MainWindow::trace() {
    return core_->trace();
}

CallMediaPort::VolumeSetUp MainWindow::setUpVolumeControls(unsigned microphone, unsigned speaker) {
    inputVolume_ = std::make_unique<CInputVolume>();
    outputVolume_ = std::make_unique<COutputVolume>();
    VolumeSetUp result;
    result.input = inputVolume_->create(microphone, 0) && inputVolume_->controlId() >= 0;
    result.output = outputVolume_->create(speaker) && outputVolume_->controlId() >= 0;
    if (result.input) connectVolumeSlider(micVolume_, *inputVolume_);
    if (result.output) connectVolumeSlider(speakerVolume_, *outputVolume_);
    return result;
}

// The slider starts where the mixer stands, moves the mixer, and follows
// changes made elsewhere (the desktop's own mixer panel).
void MainWindow::connectVolumeSlider(QSlider* slider, MixerVolume& volume) {
    slider->disconnect(this);
    const QSignalBlocker quiet(slider);
    slider->setValue(sliderPosition(volume.volume(), volume.minimum(), volume.maximum()));
    slider->setEnabled(true);
    MixerVolume* control = &volume;
    connect(slider, &QSlider::valueChanged, this, [control](int position) {
        control->setVolume(volumeAtPosition(position, control->minimum(), control->maximum()));
    });
    volume.setCallback(
        [slider, control](int32_t value, uintptr_t) {
            const QSignalBlocker blocked(slider);
            slider->setValue(sliderPosition(value, control->minimum(), control->maximum()));
        },
        0);
}

// --- UiPort: calls ---

void MainWindow::setCallUi(CallUi state, const std::string& text) {
    const auto tone = [this](const std::string& file) {
        return CallSetupDlg::Tone{file, static_cast<unsigned>(std::max(0, mediaChoice_.speaker))};
    };
    CallSignalling& calls = core_->calls();
    switch (state) {
        case CallUi::DialOut:
            if (!dialOut_) dialOut_ = new CDialOutDlg([&calls] { calls.cancelDialling(); }, this);
            dialOut_->setTone(tone(core_->settings().dialTone));
            dialOut_->showText(QString::fromStdString(text));
            break;
        case CallUi::Ringing:
            if (!ring_) {
                ring_ = new CRingDlg([&calls] { calls.acceptRinging(); },
                                     [&calls] { calls.declineRinging(); }, this);
            }
            ring_->setTone(tone(core_->settings().ringTone));
            ring_->showText(QString::fromStdString(text));
            break;
        case CallUi::HideAll:
            if (dialOut_) dialOut_->hideWindow();
            if (ring_) ring_->hideWindow();
            break;
    }
}

void MainWindow::showCallButtons(bool calling) {
    button(control::kCall)->setVisible(!calling);
    button(kHangUp)->setVisible(calling);
}

void MainWindow::callConnected(const ConnectedCall& call) {
    number_->setText(QString("%1_%2").arg(call.partnerId).arg(fromGbk(call.partnerName)));
    number_->setEnabled(false);
    RemoteVideoDlg* remote = remoteVideo();
    remote->placeBeside(frameGeometry());
    remote->show();
    media_->placePartner(remote->surface()->handle(), remote->surface()->area());
    media_->callConnected(call, static_cast<int>(core_->probes().videoDescriptor()),
                          static_cast<int>(core_->probes().audioDescriptor()));
    setMicrophoneButton();
}

void MainWindow::callTeardown() {
    setMusicShare(false);
    media_->teardown();
    if (remote_) {
        remote_->setRecording(false);
        remote_->hide();
        remote_->surface()->clear();
    }
    micMeter_->setValue(0);
    partnerMeter_->setValue(0);
    number_->setEnabled(true);
    number_->clear();
    setMicrophoneButton();
    update();
}

void MainWindow::callTextLine(const std::string& line, bool own) {
    callText_->moveCursor(QTextCursor::End);
    callText_->setTextColor(own ? QColor(255, 0, 0) : QColor(0, 0, 255));
    callText_->insertPlainText(QString::fromStdString(line).remove('\r'));
    callText_->ensureCursorVisible();
    if (!own && !expanded_) runCommand(1113);
}

// --- commands ---

void MainWindow::runCallCommand(int control) {
    CallSignalling& calls = core_->calls();
    switch (control) {
        case control::kCall:
            calls.callNumber(number_->text().toStdString());
            return;
        case kHangUp:
            calls.hangUp();
            return;
        case kRedial:
            if (calls.lastDialled() != 0) calls.callNumber(std::to_string(calls.lastDialled()));
            return;
        case kSupport:
            if (calls.inCall()) return showMessage("您正在通话中", "zemra");
            calls.callContact(kSupportId, text::toGbk("技术支持"));
            return;
        case kDeviceTest:
            startDeviceTest();
            return;
        case kRemoteVideo:
            remoteVideo()->placeBeside(frameGeometry());
            remoteVideo()->show();
            remoteVideo()->raise();
            return;
        case kSnapshot:
            takeSnapshot();
            return;
        case kMusicShare:
            if (calls.inCall()) setMusicShare(!musicShare_);
            return;
        case kMicrophone:
            media_->setMicrophoneOff(!media_->microphoneOff());
            setMicrophoneButton();
            return;
        case kSpeaker:
            media_->setSpeakerOff(!media_->speakerOff());
            button(kSpeaker)->setToolTip(u(media_->speakerOff() ? "打开喇叭" : "关闭喇叭"));
            return;
        case kSendCallText:
            calls.sendCallText(callInput_->text().toStdString());
            if (calls.inCall() && !callInput_->text().trimmed().isEmpty()) callInput_->clear();
            return;
        case control::kCallLog:
            openCallList();
            return;
        default:
            return;
    }
}

void MainWindow::setMicrophoneButton() {
    button(kMicrophone)->setToolTip(u(media_->microphoneOff() ? "打开麦克" : "关闭麦克"));
}

void MainWindow::setMusicShare(bool on) {
    if (on == musicShare_) return;
    musicShare_ = on;
    selectRecordingSource(static_cast<unsigned>(std::max(0, mediaChoice_.microphone)), on);
    button(kMusicShare)->setToolTip(u(on ? "关闭音乐共享" : "音乐共享"));
}

// The client calls itself: its own sound and pictures come back through
// its own two sockets.
void MainWindow::startDeviceTest() {
    CallSignalling& calls = core_->calls();
    if (calls.inCall()) return showMessage("您正在通话中,请断开后再进行测试!", "zemra");
    if (!calls.idle()) return;
    ProbeSockets& probes = core_->probes();
    const QHostAddress bound = probes.boundAddress();
    const bool any = bound.isNull() || bound == QHostAddress::AnyIPv4 || bound == QHostAddress::Any;
    const quint32 address =
        any ? QHostAddress(QHostAddress::LocalHost).toIPv4Address() : bound.toIPv4Address();
    calls.startDeviceTest(core_->ownId(), text::toGbk("myself"), qToBigEndian(address),
                          probes.videoPort(), probes.audioPort());
}

void MainWindow::takeSnapshot() {
    const auto partner = media_->partner();
    if (!partner) return;
    const QImage own = preview_->grab().toImage().scaled(176, 144);
    const QImage theirs = remote_ ? remote_->snapshot() : QImage();
    auto* dialog =
        new CPhotoDlg(core_->config().photoRoot, core_->ownId(), *partner, own, theirs, this);
    dialog->show();
}

// Recordings lie beside the snapshots: "<photo folder>/<id>/video/<time>_<partner>.avi".
void MainWindow::recordCall(bool on) {
    const auto partner = media_->partner();
    if (on && partner) {
        const std::filesystem::path folder =
            core_->config().photoRoot / std::to_string(core_->ownId()) / "video";
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        const std::string stamp =
            QDateTime::currentDateTime().toString("yyyy_MM_dd_HH_mm_ss").toStdString();
        media_->startRecording(folder / (stamp + "_" + std::to_string(*partner) + ".avi"));
    } else {
        media_->stopRecording();
    }
    if (remote_) remote_->setRecording(media_->recording());
}

void MainWindow::openCallList() {
    CallListActions actions;
    actions.inCall = [this] { return core_->calls().inCall(); };
    actions.isFriend = [this](uint32_t id) {
        const store::Contact* c = core_->contacts().findContact(id);
        return c && c->category == store::ContactCategory::Ordinary;
    };
    actions.call = [this](uint32_t id, const std::string& name) {
        core_->calls().callContact(id, name);
    };
    actions.chat = [this](uint32_t id, const std::string&) { openChatWindow(id); };
    actions.details = [this](uint32_t id, const std::string&) { core_->requestDetails(id, false); };
    actions.addFriend = [this](uint32_t id, const std::string& name) {
        openFriendRequest(id, name, 0);
    };
    actions.blackList = [this](uint32_t id, const std::string&) {
        core_->send(protocol::buildSetRelation({id, protocol::kRelationBlacklist}));
    };
    auto* dialog = new CCallListDlg(paths::callListDirIn(core_->config().baseDir, core_->ownId()),
                                    core_->ownId(), std::move(actions), this);
    dialog->show();
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::kType) {
        const auto* m = static_cast<WindowMessageEvent*>(event);
        if (m->message == kWmConferenceEnded) {
            if (inConference_) {
                inConference_ = false;
                core_->calls().setInConference(false);
                button(kConference)->setEnabled(true);
                media_->reopenDevices(mediaChoice_);
                core_->setMediaAvailable(media_->videoAvailable(), media_->audioAvailable());
            }
            return true;
        }
        if (m->message == WM_AUDIO_LEVEL) {
            QProgressBar* meter = m->lParam != 0 ? partnerMeter_ : micMeter_;
            meter->setValue(static_cast<int>(std::min<uintptr_t>(m->wParam / 50, 100)));
            return true;
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace zemra::client::ui
