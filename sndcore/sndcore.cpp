// The audio engine's exported functions and its objects, built when the
// library is loaded and taken down when it is unloaded. No exception and
// no memory crosses this boundary.
#include "include/sndcore.h"

#include <filesystem>

#include "platform/avi_file_handles.h"
#include "platform/engine_guard.h"
#include "platform/library.h"
#include "sndcore/audio_capture.h"
#include "sndcore/audio_playback.h"
#include "sndcore/audio_recorder.h"
#include "sndcore/peer_table.h"

namespace zemra::snd {
namespace {

void anchor() {}

// The codec copies sit beside the engine, wherever it was loaded from.
std::filesystem::path engineDirectory() {
    return Library::directoryOf(reinterpret_cast<const void*>(&anchor));
}

struct Engine {
    Engine()
        : codecNames(engineDirectory()),
          capture(codecNames, peers, playback, recorder),
          playback(recorder),
          peers(codecNames, playback) {}

    // Threads must not outlive the code they run: whatever the client left
    // running is stopped here, the microphone first since it sends to the
    // parties, the speaker last since it feeds the recording.
    ~Engine() {
        capture.stop();
        peers.removeAll();
        playback.stop();
        recorder.stop();
    }

    CodecNameTable codecNames;
    AudioRecorder recorder;
    AudioCapture capture;
    AudioPlayback playback;
    PeerTable peers;
};

Engine engine;

}  // namespace
}  // namespace zemra::snd

using zemra::guarded;
using zemra::snd::engine;

extern "C" {

int INPUT0(unsigned device, unsigned long ownId, uintptr_t window) {
    return guarded([&] { return engine.capture.start(device, uint32_t(ownId), window) ? 1 : 0; },
                   0);
}

void INPUT1(void) {
    guarded([] { engine.capture.stop(); });
}

void INPUT2(int flag) {
    engine.capture.setMute(flag);
}

int INPUT3(unsigned long peerId, long address, unsigned int port, unsigned int socket,
           uintptr_t window) {
    return guarded(
        [&] {
            zemra::snd::AudioPeer::Params p;
            p.peerId = uint32_t(peerId);
            p.address = uint32_t(address);
            p.port = uint16_t(port);
            p.socket = int(socket);
            p.window = window;
            return engine.peers.add(p) ? 1 : 0;
        },
        0);
}

int INPUT4(unsigned long peerId) {
    return guarded([&] { return engine.peers.remove(uint32_t(peerId)) ? 1 : 0; }, 0);
}

void INPUT5(void) {
    guarded([] { engine.peers.removeAll(); });
}

void INPUT6(unsigned long peerId, int flag) {
    guarded([&] { engine.peers.setSendMute(uint32_t(peerId), flag); });
}

void INPUT7(unsigned long peerId, int flag) {
    guarded([&] { engine.peers.setReceiveMute(uint32_t(peerId), flag); });
}

void INPUT8(unsigned long, int) {}

void INPUT9(unsigned long, long, unsigned int, unsigned int) {}

int INPUT10(void* aviFile) {
    return guarded(
        [&] { return engine.recorder.start(zemra::AviFileHandles::find(aviFile)) ? 1 : 0; }, 0);
}

void INPUT11(void) {
    guarded([] { engine.recorder.stop(); });
}

void INPUT12(int flag) {
    engine.capture.setGainOn(flag);
}

int INPUT13(void) {
    return engine.capture.gainOn();
}

int INPUT14(unsigned device) {
    return guarded([&] { return engine.playback.start(device) ? 1 : 0; }, 0);
}

void INPUT15(void) {
    guarded([] { engine.playback.stop(); });
}

void INPUT16(int flag) {
    engine.playback.setSpeakerMute(flag);
}
}
