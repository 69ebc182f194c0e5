// The client's side of the media engines: the devices opened after the
// login, a connected call's sound and pictures over the probe sockets, the
// teardown, the microphone and speaker switches, the partner's picture, the
// device options and the recording of a call. Plain rules over
// MediaEngines; the main window supplies the windows and shows the messages.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>

#include "client/app/call_signalling.h"
#include "client/media/media_engines.h"
#include "client/store/trace_log.h"

namespace zemra::client {

// The device choices of the settings ("videomodel", "videodev", "img",
// "micdev", "spkdev") and the send frame rate.
struct MediaChoice {
    CaptureBackEnd backEnd = CaptureBackEnd::Graph;
    int videoDevice = 0;
    bool largePicture = true;  // 352 x 288, else 176 x 144
    int microphone = 0;
    int speaker = 0;
    unsigned frameRate = 24;

    int sizeMode() const { return largePicture ? 4 : 1; }
    bool operator==(const MediaChoice&) const = default;
};

class CallMediaPort {
  public:
    virtual ~CallMediaPort() = default;
    // A message box of the main window (UTF-8).
    virtual void mediaMessage(const std::string& text) = 0;
    // The trace file the chosen devices are written to.
    virtual store::TraceLog& trace() = 0;
    // Sets up the volume panel's mixer controls of the chosen devices:
    // whether the input and the output side found their controls.
    struct VolumeSetUp {
        bool input = false;
        bool output = false;
    };
    virtual VolumeSetUp setUpVolumeControls(unsigned microphone, unsigned speaker) = 0;
};

// Where the pictures go: the local preview, and the window the partner's
// picture is shown in during a call.
struct MediaWindows {
    WindowHandle preview = 0;
    MediaRect previewRect;
    WindowHandle remote = 0;
    MediaRect remoteRect;
    WindowHandle levels = 0;  // receives the level messages
};

class CallMedia : public QObject {
    Q_OBJECT
  public:
    static constexpr int kStartSendingMs = 800;  // timer 44

    CallMedia(MediaEngines& engines, CallMediaPort& port, QObject* parent = nullptr);
    ~CallMedia() override;

    // Opens camera, microphone and speaker as chosen; device numbers out of
    // range become 0 in `choice`. Each failure is told once and leaves its
    // medium unavailable for the rest of the run.
    void openDevices(MediaChoice& choice, uint32_t ownId, const MediaWindows& windows);
    bool videoAvailable() const { return videoAvailable_; }
    bool audioAvailable() const { return audioAvailable_; }

    // A connected call: the partner's sound and pictures over the two
    // sockets, own video sending 800 ms later.
    void callConnected(const ConnectedCall& call, int videoSocket, int audioSocket);
    // The partner's picture moves to another place (zoom, full screen).
    void placePartner(WindowHandle window, MediaRect where, bool show = true);
    void teardown();
    bool inCall() const { return partner_.has_value(); }
    std::optional<uint32_t> partner() const { return partner_; }
    bool sendingStarted() const { return sending_; }

    // The switches of the main window; true is off.
    void setMicrophoneOff(bool off);
    void setSpeakerOff(bool off);
    bool microphoneOff() const { return microphoneOff_; }
    bool speakerOff() const { return speakerOff_; }

    // Recording the call (own video with both voices) into one AVI file.
    bool startRecording(const std::filesystem::path& file);
    void stopRecording();
    bool recording() const { return recording_; }

    // Before the conference program and at exit: every device closed.
    void releaseDevices();
    bool devicesReleased() const { return released_; }
    // After the conference program ended: the start-up again.
    void reopenDevices(MediaChoice& choice);

    // The options dialog's device page. Sound: new devices are opened,
    // else the old ones again. Video: refused during a call, otherwise the
    // new camera starts or the old one comes back.
    enum class VideoChange { Unchanged, RefusedInCall, Applied, Restored };
    bool changeSoundDevices(MediaChoice& current, int microphone, int speaker);
    VideoChange changeVideo(MediaChoice& current, const MediaChoice& wanted);

  private:
    void openVideo(MediaChoice& choice);
    void openSound(MediaChoice& choice);
    void startSending();

    MediaEngines& engines_;
    CallMediaPort& port_;
    MediaWindows windows_;
    uint32_t ownId_ = 0;
    CaptureBackEnd backEnd_ = CaptureBackEnd::Graph;
    unsigned frameRate_ = 24;
    bool videoAvailable_ = true;
    bool audioAvailable_ = true;
    bool videoOpen_ = false;
    bool released_ = false;
    std::optional<uint32_t> partner_;
    bool sending_ = false;
    bool microphoneOff_ = false;
    bool speakerOff_ = false;
    bool recording_ = false;
    QTimer startSendingTimer_;
};

}  // namespace zemra::client
