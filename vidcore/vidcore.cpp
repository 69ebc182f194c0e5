// The video engine's exported functions over one VideoEngine, built when
// the library is loaded. No exception crosses this boundary.
#include "include/vidcore.h"

#include <filesystem>

#include "platform/engine_guard.h"
#include "platform/library.h"
#include "vidcore/video_engine.h"

namespace zemra::vid {
namespace {

void anchor() {}

// The codec driver sits beside the engine, wherever the engine was loaded from.
std::filesystem::path codecDriverFile() {
    const auto directory = Library::directoryOf(reinterpret_cast<const void*>(&anchor));
    return directory.empty() ? std::filesystem::path() : directory / "picodec.so";
}

VideoEngine::Options engineOptions() {
    VideoEngine::Options options;
    options.codecDriver = codecDriverFile();
    return options;
}

VideoEngine engine(engineOptions());

uint32_t userId(unsigned long id) {
    return static_cast<uint32_t>(id);
}

}  // namespace
}  // namespace zemra::vid

using zemra::guarded;
using zemra::vid::Display;
using zemra::vid::engine;
using zemra::vid::Rect;
using zemra::vid::userId;

extern "C" {

int Set00(uintptr_t window, int x, int y, int w, int h, int sizeMode, int device) {
    return guarded(
        [&] {
            return engine.graph().start(window, Rect{x, y, w, h}, sizeMode, device) ? 1 : 0;
        },
        0);
}

void Set01(uintptr_t window, int x, int y, int w, int h, int flag) {
    guarded([&] { engine.graph().setSecond(window, Rect{x, y, w, h}, flag); });
}

void Set02(void) {
    guarded([&] { engine.graph().stop(); });
}

void Set03(unsigned long ownId) {
    guarded([&] { engine.sender().start(userId(ownId)); });
}

void Set04(unsigned long) {
    guarded([&] { engine.sender().stop(); });
}

void Set05(int flag) {
    guarded([&] { engine.graph().setPreviewOff(flag); });
}

void Set06(uintptr_t window, int x, int y, int w, int h) {
    guarded([&] { engine.graph().movePreview(window, Rect{x, y, w, h}); });
}

void Set07(unsigned long peerId) {
    guarded([&] { engine.sender().resumePeer(userId(peerId)); });
}

void Set08(unsigned long peerId, uintptr_t window, int x, int y, int w, int h, int show) {
    guarded([&] {
        engine.sender().setPeerDisplay(userId(peerId), Display{window, x, y, w, h, show == 1});
    });
}

void Set09(unsigned long peerId) {
    guarded([&] { engine.sender().mutePeer(userId(peerId)); });
}

int Set10(uintptr_t window, int x, int y, int w, int h, int sizeMode, int driver) {
    return guarded(
        [&] {
            return engine.window().start(window, Rect{x, y, w, h}, sizeMode, driver) ? 1 : 0;
        },
        0);
}

void Set11(uintptr_t window, int x, int y, int w, int h, int flag) {
    guarded([&] { engine.window().setSecond(window, Rect{x, y, w, h}, flag); });
}

void Set12(void) {
    guarded([&] { engine.window().stop(); });
}

void Set13(unsigned long ownId) {
    Set03(ownId);
}

void Set14(unsigned long unused) {
    Set04(unused);
}

void Set15(int flag) {
    guarded([&] { engine.window().setPreviewOff(flag); });
}

void Set16(uintptr_t window, int x, int y, int w, int h) {
    guarded([&] { engine.window().movePreview(window, Rect{x, y, w, h}); });
}

void Set17(unsigned long framesPerSecond) {
    engine.rate().setFramesPerSecond(
        static_cast<uint32_t>(std::min<unsigned long>(framesPerSecond, UINT32_MAX)));
}

int Set18(unsigned long peerId, unsigned int socket, long address, unsigned int port,
          uintptr_t window, int x, int y, int w, int h, int show) {
    return guarded(
        [&] {
            zemra::vid::VideoPeer::Config config;
            config.peerId = userId(peerId);
            config.socket = static_cast<int>(socket);
            config.address = static_cast<uint32_t>(address);
            config.port = static_cast<uint16_t>(port);
            config.display = Display{window, x, y, w, h, show == 1};
            return engine.sender().addPeer(config) ? 1 : 0;
        },
        0);
}

int Set19(unsigned long peerId) {
    return guarded([&] { return engine.sender().removePeer(userId(peerId)) ? 1 : 0; }, 0);
}

void Set20(void) {
    guarded([&] { engine.sender().removeAllPeers(); });
}

void Set21(unsigned long, uintptr_t, int, int, int, int, int) {}

void Set22(uintptr_t, int, int, int, int) {}

int OpenAvi(const char* path, unsigned long peerId) {
    if (!path) return 0;
    return guarded([&] { return engine.sender().openPeerRecording(path, userId(peerId)) ? 1 : 0; },
                   0);
}

void CloseAvi(unsigned long peerId) {
    guarded([&] { engine.sender().closePeerRecording(userId(peerId)); });
}

void* OpenAviSelf(const char* path) {
    if (!path) return nullptr;
    return guarded([&] { return static_cast<void*>(engine.sender().openOwnRecording(path)); },
                   static_cast<void*>(nullptr));
}

void CloseAviSelf(void) {
    guarded([&] { engine.sender().closeOwnRecording(); });
}

}  // extern "C"
