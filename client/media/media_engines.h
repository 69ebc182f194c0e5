// The two media engines as the client drives them. The real ones are the
// video engine and the audio engine libraries; tests put a recorder in
// their place. Addresses are IPv4 in network byte order, ports in host
// order, sockets are the descriptors of the client's bound UDP sockets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/winmsg.h"

namespace zemra::client {

struct MediaRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const MediaRect&) const = default;
};

// "videomodel": 0 captures with conversion, anything else in the camera's
// own format.
enum class CaptureBackEnd { Graph = 0, Window = 1 };

class MediaEngines {
  public:
    virtual ~MediaEngines() = default;

    // --- devices ---
    virtual std::vector<std::string> cameraNames() = 0;
    virtual std::vector<std::string> microphoneNames() = 0;
    virtual std::vector<std::string> speakerNames() = 0;

    // --- video ---
    virtual bool startCapture(CaptureBackEnd backEnd, WindowHandle window, MediaRect preview,
                              int sizeMode, int device) = 0;
    virtual void stopCapture(CaptureBackEnd backEnd) = 0;
    virtual void startSending(CaptureBackEnd backEnd, uint32_t ownId) = 0;
    virtual void stopSending(CaptureBackEnd backEnd) = 0;
    virtual void setFrameRate(unsigned framesPerSecond) = 0;
    virtual bool addVideoPeer(uint32_t id, int socket, uint32_t address, uint16_t port,
                              WindowHandle window, MediaRect where, bool show) = 0;
    virtual void placeVideo(uint32_t id, WindowHandle window, MediaRect where, bool show) = 0;
    virtual void removeVideoPeers() = 0;

    // --- sound ---
    virtual bool openMicrophone(unsigned device, uint32_t ownId, WindowHandle window) = 0;
    virtual void closeMicrophone() = 0;
    virtual void muteMicrophone(bool muted) = 0;
    virtual bool openSpeaker(unsigned device) = 0;
    virtual void closeSpeaker() = 0;
    virtual void muteSpeaker(bool muted) = 0;
    virtual void automaticGain(bool on) = 0;
    virtual bool addAudioPeer(uint32_t id, uint32_t address, uint16_t port, int socket,
                              WindowHandle window) = 0;
    virtual void removeAudioPeers() = 0;

    // --- recording the call: own video and both voices in one file ---
    virtual bool startRecording(const std::filesystem::path& file) = 0;
    virtual void stopRecording() = 0;
};

// The engine libraries themselves.
std::unique_ptr<MediaEngines> makeEngineLibraries();

}  // namespace zemra::client
