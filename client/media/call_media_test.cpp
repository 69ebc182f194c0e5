// The media rules against a recorder standing in for the engines: what is
// opened at start-up and with which device numbers, what a call starts and
// stops, and how the device options fall back.
#include "client/media/call_media.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <fstream>
#include <set>

#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client {
namespace {

class RecordingEngines : public MediaEngines {
  public:
    std::vector<std::string> cameraNames() override { return cameras; }
    std::vector<std::string> microphoneNames() override { return microphones; }
    std::vector<std::string> speakerNames() override { return speakers; }
    bool startCapture(CaptureBackEnd b, WindowHandle, MediaRect, int size, int device) override {
        calls.push_back("capture " + std::to_string(int(b)) + " " + std::to_string(size) + " " +
                        std::to_string(device));
        return captureWorks && device < workingCameras;
    }
    void stopCapture(CaptureBackEnd) override { calls.push_back("stop capture"); }
    void startSending(CaptureBackEnd, uint32_t id) override {
        calls.push_back("send as " + std::to_string(id));
    }
    void stopSending(CaptureBackEnd) override { calls.push_back("stop sending"); }
    void setFrameRate(unsigned fps) override { calls.push_back("fps " + std::to_string(fps)); }
    bool addVideoPeer(uint32_t id, int socket, uint32_t, uint16_t port, WindowHandle, MediaRect,
                      bool) override {
        calls.push_back("video peer " + std::to_string(id) + " socket " + std::to_string(socket) +
                        " port " + std::to_string(port));
        return true;
    }
    void placeVideo(uint32_t id, WindowHandle window, MediaRect r, bool) override {
        calls.push_back("place " + std::to_string(id) + " in " + std::to_string(window) + " " +
                        std::to_string(r.width) + "x" + std::to_string(r.height));
    }
    void removeVideoPeers() override { calls.push_back("remove video peers"); }
    bool openMicrophone(unsigned device, uint32_t id, WindowHandle) override {
        calls.push_back("mic " + std::to_string(device) + " as " + std::to_string(id));
        return micWorks.count(device) > 0;
    }
    void closeMicrophone() override { calls.push_back("close mic"); }
    void muteMicrophone(bool muted) override { calls.push_back(muted ? "mute" : "unmute"); }
    bool openSpeaker(unsigned device) override {
        calls.push_back("speaker " + std::to_string(device));
        return speakerWorks.count(device) > 0;
    }
    void closeSpeaker() override { calls.push_back("close speaker"); }
    void muteSpeaker(bool muted) override { calls.push_back(muted ? "speaker off" : "speaker on"); }
    void automaticGain(bool on) override { calls.push_back(on ? "agc on" : "agc off"); }
    bool addAudioPeer(uint32_t id, uint32_t, uint16_t port, int socket, WindowHandle) override {
        calls.push_back("audio peer " + std::to_string(id) + " socket " + std::to_string(socket) +
                        " port " + std::to_string(port));
        return true;
    }
    void removeAudioPeers() override { calls.push_back("remove audio peers"); }
    bool startRecording(const std::filesystem::path&) override { return true; }
    void stopRecording() override { calls.push_back("stop recording"); }

    bool has(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    std::ptrdiff_t position(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    }

    std::vector<std::string> cameras{"test camera"};
    std::vector<std::string> microphones{"mic a", "mic b"};
    std::vector<std::string> speakers{"speaker a"};
    bool captureWorks = true;
    int workingCameras = 1;
    std::set<unsigned> micWorks{0, 1};
    std::set<unsigned> speakerWorks{0};
    std::vector<std::string> calls;
};

class RecordingPort : public CallMediaPort {
  public:
    void mediaMessage(const std::string& text) override { messages.push_back(text); }
    store::TraceLog& trace() override { return traceLog; }
    VolumeSetUp setUpVolumeControls(unsigned, unsigned) override { return volume; }
    std::vector<std::string> messages;
    store::TraceLog traceLog;
    VolumeSetUp volume{true, true};
};

constexpr uint32_t kOwnId = 7001;

class CallMediaTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(port.traceLog.open(dir.path() / "trace.txt", 0)); }
    // The trace file without its start line, in UTF-8.
    std::string traced() {
        port.traceLog.close();
        std::ifstream in(dir.path() / "trace.txt", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text::toUtf8(all.substr(all.find("\r\n") + 2));
    }
    zemra::testing::TempDir dir;
    void open() { media.openDevices(choice, kOwnId, windows); }
    ConnectedCall bob() const { return {7002, "bob", 0x0100007f, 3011, 3021}; }

    RecordingEngines engines;
    RecordingPort port;
    CallMedia media{engines, port};
    MediaChoice choice;
    MediaWindows windows{11, {0, 0, 176, 144}, 22, {0, 0, 352, 288}, 33};
};

TEST_F(CallMediaTest, StartUpOpensEveryDeviceWithOutOfRangeNumbersReplacedByTheFirst) {
    choice.videoDevice = 5;
    choice.microphone = 2;  // equal to the number of microphones
    choice.speaker = -1;
    open();
    EXPECT_TRUE(port.messages.empty());
    EXPECT_TRUE(media.videoAvailable());
    EXPECT_TRUE(media.audioAvailable());
    EXPECT_EQ(choice.videoDevice, 0);
    EXPECT_EQ(choice.microphone, 0);
    EXPECT_EQ(choice.speaker, 0);
    EXPECT_TRUE(engines.has("capture 0 4 0"));
    EXPECT_TRUE(engines.has("mic 0 as 7001"));
    EXPECT_EQ(engines.position("mute"), engines.position("mic 0 as 7001") + 1);
    EXPECT_TRUE(engines.has("speaker 0"));
    EXPECT_TRUE(engines.has("agc on"));
    EXPECT_EQ(traced(),
              "系统保存当前使用视频设备号5\r\n实际当前使用视频设备号0\r\n"
              "您当前使用输入设备号0 名称mic a\r\n 播放设备号0 名称speaker a\r\n");
}

TEST_F(CallMediaTest, TheVideoEngineKnowsTheOwnIdBeforeTheFirstPartnerEvenWithoutACamera) {
    engines.cameras.clear();
    open();
    EXPECT_EQ(port.messages, std::vector<std::string>{"没有视频设备，请检查"});
    EXPECT_FALSE(media.videoAvailable());
    media.callConnected(bob(), 40, 41);
    EXPECT_LT(engines.position("send as 7001"),
              engines.position("video peer 7002 socket 40 port 3011"));
    // Without a camera the partner's picture is still received and shown.
    EXPECT_TRUE(engines.has("place 7002 in 22 352x288"));
    EXPECT_FALSE(engines.has("fps 24"));
}

TEST_F(CallMediaTest, EachDeviceFailureIsToldAndLeavesItsMediumUnavailable) {
    engines.captureWorks = false;
    engines.micWorks.clear();
    choice.videoDevice = 0;
    open();
    EXPECT_EQ(port.messages, (std::vector<std::string>{"视频设备0初始化错误，请检查",
                                                       "音频输入设备:mic a初始化错误，请检查"}));
    EXPECT_FALSE(media.videoAvailable());
    EXPECT_FALSE(media.audioAvailable());
    EXPECT_FALSE(engines.has("agc on"));

    RecordingEngines noSound;
    noSound.microphones.clear();
    noSound.speakers.clear();
    RecordingPort quiet;
    CallMedia other(noSound, quiet);
    MediaChoice c;
    other.openDevices(c, kOwnId, windows);
    EXPECT_EQ(quiet.messages,
              (std::vector<std::string>{"没有音频输入设备，请检查", "没有音频播放设备,请检查"}));
    EXPECT_FALSE(other.audioAvailable());
}

TEST_F(CallMediaTest, AFailedVolumeControlIsToldAndLeavesSoundUnavailable) {
    port.volume = {true, false};
    open();
    EXPECT_EQ(port.messages, std::vector<std::string>{"音频输出控制设备初始化错误.请检查"});
    EXPECT_FALSE(media.audioAvailable());
    media.callConnected(bob(), 40, 41);
    EXPECT_FALSE(engines.has("audio peer 7002 socket 41 port 3021"));
}

TEST_F(CallMediaTest, ACallCarriesSoundAndPicturesAndStartsSendingVideoLater) {
    open();
    engines.calls.clear();
    media.callConnected(bob(), 40, 41);
    EXPECT_EQ(engines.calls,
              (std::vector<std::string>{"audio peer 7002 socket 41 port 3021", "unmute", "fps 24",
                                        "video peer 7002 socket 40 port 3011",
                                        "place 7002 in 22 352x288"}));
    EXPECT_FALSE(media.sendingStarted());
    QElapsedTimer clock;
    clock.start();
    while (!media.sendingStarted() && clock.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(media.sendingStarted());
    EXPECT_GE(clock.elapsed(), CallMedia::kStartSendingMs - 50);
    EXPECT_EQ(engines.calls.back(), "send as 7001");

    engines.calls.clear();
    media.teardown();
    EXPECT_EQ(engines.calls, (std::vector<std::string>{"remove audio peers", "mute",
                                                       "remove video peers", "stop sending"}));
    EXPECT_FALSE(media.inCall());
}

TEST_F(CallMediaTest, AShortCallNeverStartsSendingAfterItEnded) {
    open();
    media.callConnected(bob(), 40, 41);
    media.teardown();
    engines.calls.clear();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < CallMedia::kStartSendingMs + 200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_FALSE(engines.has("send as 7001"));
}

TEST_F(CallMediaTest, CameraChangesAreRefusedInACallAndFallBackWhenTheNewOneFails) {
    engines.cameras = {"cam 0", "cam 1"};
    open();
    MediaChoice wanted = choice;
    wanted.videoDevice = 1;
    media.callConnected(bob(), 40, 41);
    EXPECT_EQ(media.changeVideo(choice, wanted), CallMedia::VideoChange::RefusedInCall);
    EXPECT_EQ(port.messages, std::vector<std::string>{"通话中不能修改视频设置!"});
    EXPECT_EQ(choice.videoDevice, 0);
    media.teardown();

    engines.calls.clear();
    EXPECT_EQ(media.changeVideo(choice, wanted), CallMedia::VideoChange::Restored);
    EXPECT_EQ(choice.videoDevice, 0);
    EXPECT_EQ(engines.calls, (std::vector<std::string>{"stop capture", "capture 0 4 1",
                                                       "capture 0 4 0", "fps 24"}));
    EXPECT_TRUE(media.videoAvailable());

    engines.workingCameras = 2;
    wanted.largePicture = false;
    EXPECT_EQ(media.changeVideo(choice, wanted), CallMedia::VideoChange::Applied);
    EXPECT_EQ(choice.videoDevice, 1);
    EXPECT_FALSE(choice.largePicture);
}

TEST_F(CallMediaTest, ASoundDeviceThatWillNotOpenBringsBackThePreviousPair) {
    open();
    engines.calls.clear();
    EXPECT_FALSE(media.changeSoundDevices(choice, 1, 3));
    EXPECT_EQ(choice.microphone, 0);
    EXPECT_EQ(engines.calls,
              (std::vector<std::string>{"close mic", "close speaker", "mic 1 as 7001", "speaker 3",
                                        "close mic", "mic 0 as 7001", "speaker 0", "mute"}));
    EXPECT_TRUE(media.changeSoundDevices(choice, 1, 0));
    EXPECT_EQ(choice.microphone, 1);
}

TEST_F(CallMediaTest, ReleasingClosesEveryDeviceAndReopeningStartsThemAgain) {
    open();
    media.callConnected(bob(), 40, 41);
    engines.calls.clear();
    media.releaseDevices();
    EXPECT_TRUE(engines.has("remove video peers"));
    EXPECT_TRUE(engines.has("close mic"));
    EXPECT_TRUE(engines.has("close speaker"));
    EXPECT_TRUE(engines.has("stop capture"));
    EXPECT_TRUE(media.devicesReleased());
    engines.calls.clear();
    media.reopenDevices(choice);
    EXPECT_TRUE(engines.has("capture 0 4 0"));
    EXPECT_TRUE(engines.has("mic 0 as 7001"));
    EXPECT_FALSE(media.devicesReleased());
}

}  // namespace
}  // namespace zemra::client
