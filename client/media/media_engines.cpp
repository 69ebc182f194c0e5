#include "client/media/media_engines.h"

#include "include/sndcore.h"
#include "include/vidcore.h"
#include "platform/capture.h"
#include "platform/wave.h"

namespace zemra::client {
namespace {

template <typename Device>
std::vector<std::string> deviceNames() {
    std::vector<std::string> names;
    for (unsigned i = 0; i < Device::deviceCount(); ++i) names.push_back(Device::deviceName(i));
    return names;
}

class EngineLibraries : public MediaEngines {
  public:
    ~EngineLibraries() override { stopRecording(); }

    std::vector<std::string> cameraNames() override { return systemCameras().names(); }
    std::vector<std::string> microphoneNames() override { return deviceNames<WaveIn>(); }
    std::vector<std::string> speakerNames() override { return deviceNames<WaveOut>(); }

    bool startCapture(CaptureBackEnd backEnd, WindowHandle window, MediaRect r, int sizeMode,
                      int device) override {
        const auto start = backEnd == CaptureBackEnd::Graph ? &Set00 : &Set10;
        return start(window, r.x, r.y, r.width, r.height, sizeMode, device) == 1;
    }
    void stopCapture(CaptureBackEnd backEnd) override {
        backEnd == CaptureBackEnd::Graph ? Set02() : Set12();
    }
    void startSending(CaptureBackEnd backEnd, uint32_t ownId) override {
        backEnd == CaptureBackEnd::Graph ? Set03(ownId) : Set13(ownId);
    }
    void stopSending(CaptureBackEnd backEnd) override {
        backEnd == CaptureBackEnd::Graph ? Set04(0) : Set14(0);
    }
    void setFrameRate(unsigned framesPerSecond) override { Set17(framesPerSecond); }
    bool addVideoPeer(uint32_t id, int socket, uint32_t address, uint16_t port, WindowHandle window,
                      MediaRect r, bool show) override {
        return Set18(id, static_cast<unsigned>(socket), static_cast<long>(address), port, window,
                     r.x, r.y, r.width, r.height, show ? 1 : 0) == 1;
    }
    void placeVideo(uint32_t id, WindowHandle window, MediaRect r, bool show) override {
        Set08(id, window, r.x, r.y, r.width, r.height, show ? 1 : 0);
    }
    void removeVideoPeers() override { Set20(); }

    bool openMicrophone(unsigned device, uint32_t ownId, WindowHandle window) override {
        return INPUT0(device, ownId, window) == 1;
    }
    void closeMicrophone() override { INPUT1(); }
    void muteMicrophone(bool muted) override { INPUT2(muted ? 1 : 0); }
    bool openSpeaker(unsigned device) override { return INPUT14(device) == 1; }
    void closeSpeaker() override { INPUT15(); }
    void muteSpeaker(bool muted) override { INPUT16(muted ? 1 : 0); }
    void automaticGain(bool on) override { INPUT12(on ? 1 : 0); }
    bool addAudioPeer(uint32_t id, uint32_t address, uint16_t port, int socket,
                      WindowHandle window) override {
        return INPUT3(id, static_cast<long>(address), port, static_cast<unsigned>(socket),
                      window) == 1;
    }
    void removeAudioPeers() override { INPUT5(); }

    bool startRecording(const std::filesystem::path& file) override {
        stopRecording();
        void* avi = OpenAviSelf(file.c_str());
        if (!avi) return false;
        if (INPUT10(avi) != 1) {
            CloseAviSelf();
            return false;
        }
        recording_ = true;
        return true;
    }
    void stopRecording() override {
        if (!recording_) return;
        // The sound lets go of the file before the video closes it.
        INPUT11();
        CloseAviSelf();
        recording_ = false;
    }

  private:
    bool recording_ = false;
};

}  // namespace

std::unique_ptr<MediaEngines> makeEngineLibraries() {
    return std::make_unique<EngineLibraries>();
}

}  // namespace zemra::client
