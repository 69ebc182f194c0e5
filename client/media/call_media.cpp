#include "client/media/call_media.h"

#include <cstdio>

namespace zemra::client {
namespace {

constexpr std::size_t kMaxCameras = 10;  // drivers 0 to 9 are asked

std::string withNumber(const char* pattern, int n) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, pattern, n);
    return buffer;
}

std::string withName(const char* pattern, const std::string& name) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, name.c_str());
    return buffer;
}

// A stored device number that is negative or past the last device means
// the first one.
int inRange(int index, std::size_t count) {
    return index < 0 || static_cast<std::size_t>(index) >= count ? 0 : index;
}

}  // namespace

CallMedia::CallMedia(MediaEngines& engines, CallMediaPort& port, QObject* parent)
    : QObject(parent), engines_(engines), port_(port) {
    startSendingTimer_.setSingleShot(true);
    startSendingTimer_.setInterval(kStartSendingMs);
    connect(&startSendingTimer_, &QTimer::timeout, this, &CallMedia::startSending);
}

CallMedia::~CallMedia() {
    stopRecording();
}

void CallMedia::openDevices(MediaChoice& choice, uint32_t ownId, const MediaWindows& windows) {
    ownId_ = ownId;
    windows_ = windows;
    frameRate_ = choice.frameRate;
    if (videoAvailable_) openVideo(choice);
    // The video engine knows who it is before any partner is added, with or
    // without a camera: the partner's reports carry this ID.
    engines_.startSending(choice.backEnd, ownId_);
    engines_.stopSending(choice.backEnd);
    if (audioAvailable_) openSound(choice);
    released_ = false;
}

void CallMedia::openVideo(MediaChoice& choice) {
    auto cameras = engines_.cameraNames();
    if (cameras.size() > kMaxCameras) cameras.resize(kMaxCameras);
    if (cameras.empty()) {
        port_.mediaMessage("没有视频设备，请检查");
        videoAvailable_ = false;
        return;
    }
    port_.trace().storedVideoDevice(choice.videoDevice);
    choice.videoDevice = inRange(choice.videoDevice, cameras.size());
    port_.trace().usedVideoDevice(choice.videoDevice);
    backEnd_ = choice.backEnd;
    if (!engines_.startCapture(backEnd_, windows_.preview, windows_.previewRect, choice.sizeMode(),
                               choice.videoDevice)) {
        port_.mediaMessage(withNumber("视频设备%d初始化错误，请检查", choice.videoDevice));
        videoAvailable_ = false;
        return;
    }
    videoOpen_ = true;
}

void CallMedia::openSound(MediaChoice& choice) {
    const auto microphones = engines_.microphoneNames();
    const auto speakers = engines_.speakerNames();
    choice.microphone = inRange(choice.microphone, microphones.size());
    choice.speaker = inRange(choice.speaker, speakers.size());
    const std::string micName = microphones.empty() ? "" : microphones[choice.microphone];
    const std::string spkName = speakers.empty() ? "" : speakers[choice.speaker];
    port_.trace().audioDevices(choice.microphone, micName, choice.speaker, spkName);

    bool microphone = false;
    if (microphones.empty()) {
        port_.mediaMessage("没有音频输入设备，请检查");
    } else if (engines_.openMicrophone(choice.microphone, ownId_, windows_.levels)) {
        engines_.muteMicrophone(true);  // silent outside calls
        microphone = true;
    } else {
        port_.mediaMessage(withName("音频输入设备:%s初始化错误，请检查", micName));
    }
    bool speaker = false;
    if (speakers.empty()) {
        port_.mediaMessage("没有音频播放设备,请检查");
    } else if (engines_.openSpeaker(choice.speaker)) {
        speaker = true;
    } else {
        port_.mediaMessage(withName("音频播放设备%s初始化错误，请检查", spkName));
    }

    if (microphone && speaker) {
        const auto volume = port_.setUpVolumeControls(choice.microphone, choice.speaker);
        if (!volume.input) port_.mediaMessage("音频输入控制设备初始化错误.请检查");
        if (!volume.output) port_.mediaMessage("音频输出控制设备初始化错误.请检查");
        audioAvailable_ = volume.input && volume.output;
    } else {
        audioAvailable_ = false;
    }
    if (audioAvailable_) engines_.automaticGain(true);
}

void CallMedia::callConnected(const ConnectedCall& call, int videoSocket, int audioSocket) {
    partner_ = call.partnerId;
    if (audioAvailable_) {
        engines_.addAudioPeer(call.partnerId, call.partnerAddress,
                              static_cast<uint16_t>(call.audioPort), audioSocket, windows_.levels);
        microphoneOff_ = false;
        engines_.muteMicrophone(false);
    }
    if (videoAvailable_) engines_.setFrameRate(frameRate_);
    // Without a camera the partner's pictures are still received and shown.
    engines_.addVideoPeer(call.partnerId, videoSocket, call.partnerAddress,
                          static_cast<uint16_t>(call.videoPort), windows_.remote,
                          windows_.remoteRect, true);
    engines_.placeVideo(call.partnerId, windows_.remote, windows_.remoteRect, true);
    startSendingTimer_.start();
}

void CallMedia::placePartner(WindowHandle window, MediaRect where, bool show) {
    windows_.remote = window;
    windows_.remoteRect = where;
    if (partner_) engines_.placeVideo(*partner_, window, where, show);
}

void CallMedia::startSending() {
    if (!partner_ || !videoAvailable_) return;
    engines_.startSending(backEnd_, ownId_);
    sending_ = true;
}

void CallMedia::teardown() {
    startSendingTimer_.stop();
    stopRecording();
    if (audioAvailable_) {
        engines_.removeAudioPeers();
        engines_.muteMicrophone(true);
    }
    engines_.removeVideoPeers();
    engines_.stopSending(backEnd_);
    sending_ = false;
    partner_.reset();
}

void CallMedia::setMicrophoneOff(bool off) {
    microphoneOff_ = off;
    engines_.muteMicrophone(off);
}

void CallMedia::setSpeakerOff(bool off) {
    speakerOff_ = off;
    engines_.muteSpeaker(off);
}

bool CallMedia::startRecording(const std::filesystem::path& file) {
    if (!partner_) return false;
    recording_ = engines_.startRecording(file);
    return recording_;
}

void CallMedia::stopRecording() {
    if (!recording_) return;
    engines_.stopRecording();
    recording_ = false;
}

void CallMedia::releaseDevices() {
    if (partner_) teardown();
    engines_.removeAudioPeers();
    engines_.closeMicrophone();
    engines_.closeSpeaker();
    if (videoOpen_) engines_.stopCapture(backEnd_);
    videoOpen_ = false;
    released_ = true;
}

void CallMedia::reopenDevices(MediaChoice& choice) {
    openDevices(choice, ownId_, windows_);
}

bool CallMedia::changeSoundDevices(MediaChoice& current, int microphone, int speaker) {
    if (!audioAvailable_) return false;
    if (microphone == current.microphone && speaker == current.speaker) return true;
    engines_.closeMicrophone();
    engines_.closeSpeaker();
    const bool micOpen = engines_.openMicrophone(microphone, ownId_, windows_.levels);
    const bool spkOpen = engines_.openSpeaker(speaker);
    if (micOpen && spkOpen) {
        current.microphone = microphone;
        current.speaker = speaker;
        if (!partner_) engines_.muteMicrophone(true);
        return true;
    }
    if (micOpen) engines_.closeMicrophone();
    if (spkOpen) engines_.closeSpeaker();
    engines_.openMicrophone(current.microphone, ownId_, windows_.levels);
    engines_.openSpeaker(current.speaker);
    if (!partner_) engines_.muteMicrophone(true);
    return false;
}

CallMedia::VideoChange CallMedia::changeVideo(MediaChoice& current, const MediaChoice& wanted) {
    frameRate_ = wanted.frameRate;
    current.frameRate = wanted.frameRate;
    if (wanted.backEnd == current.backEnd && wanted.videoDevice == current.videoDevice &&
        wanted.largePicture == current.largePicture) {
        engines_.setFrameRate(frameRate_);
        return VideoChange::Unchanged;
    }
    if (partner_) {
        port_.mediaMessage("通话中不能修改视频设置!");
        return VideoChange::RefusedInCall;
    }
    if (videoOpen_) engines_.stopCapture(backEnd_);
    VideoChange result = VideoChange::Applied;
    if (engines_.startCapture(wanted.backEnd, windows_.preview, windows_.previewRect,
                              wanted.sizeMode(), wanted.videoDevice)) {
        current.backEnd = wanted.backEnd;
        current.videoDevice = wanted.videoDevice;
        current.largePicture = wanted.largePicture;
        videoOpen_ = true;
    } else {
        result = VideoChange::Restored;
        videoOpen_ = engines_.startCapture(current.backEnd, windows_.preview, windows_.previewRect,
                                           current.sizeMode(), current.videoDevice);
    }
    backEnd_ = current.backEnd;
    videoAvailable_ = videoOpen_;
    engines_.setFrameRate(frameRate_);
    return result;
}

}  // namespace zemra::client
