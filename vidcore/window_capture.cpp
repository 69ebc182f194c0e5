#include "vidcore/window_capture.h"

namespace zemra::vid {

namespace {
constexpr uint32_t kFrameIntervalUs = 33333;
}

std::unique_ptr<Camera> WindowCapture::openCamera(int index) {
    if (index >= 0) {
        if (auto camera = cameras_.open(static_cast<size_t>(index), CameraAccess::kNative)) {
            return camera;
        }
    }
    for (int i = 0; i < kFallbackDrivers; ++i) {
        if (auto camera = cameras_.open(static_cast<size_t>(i), CameraAccess::kNative)) {
            return camera;
        }
    }
    return nullptr;
}

void WindowCapture::negotiate(Camera& camera, int mode) {
    BitmapInfoHeader wanted = camera.format();
    if (const auto size = sizeForMode(mode)) {
        wanted.width = size->first;
        wanted.height = size->second;
        if (mode != 2) wanted.sizeImage = static_cast<uint32_t>(size->first * size->second * 3);
    }
    camera.setFormat(wanted);  // refused: the format in force stays
    camera.setFrameInterval(kFrameIntervalUs);
}

void WindowCapture::deliver(const uint8_t* bits, size_t length) {
    offer(bits, length);
    drawPreview(bits);
}

}  // namespace zemra::vid
