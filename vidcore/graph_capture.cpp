#include "vidcore/graph_capture.h"

namespace zemra::vid {

namespace {
constexpr uint32_t kFrameIntervalUs = 33333;  // 30 pictures per second
}

std::unique_ptr<Camera> GraphCapture::openCamera(int index) {
    if (index >= 0) {
        if (auto camera = cameras_.open(static_cast<size_t>(index), CameraAccess::kConverted)) {
            return camera;
        }
    }
    const size_t count = cameras_.names().size();
    for (size_t i = 0; i < count; ++i) {
        if (auto camera = cameras_.open(i, CameraAccess::kConverted)) return camera;
    }
    return nullptr;
}

void GraphCapture::negotiate(Camera& camera, int mode) {
    BitmapInfoHeader wanted = camera.format();
    if (const auto size = sizeForMode(mode)) {
        wanted.width = size->first;
        wanted.height = size->second;
    }
    wanted.planes = 1;
    wanted.bitCount = 24;
    wanted.compression = 0;
    wanted.sizeImage = wanted.imageBytes();
    camera.setFrameInterval(kFrameIntervalUs);
    if (camera.setFormat(wanted)) return;
    wanted.bitCount = 12;
    wanted.compression = kFourCcI420;
    wanted.sizeImage = static_cast<uint32_t>(wanted.width * wanted.height * 3 / 2);
    camera.setFormat(wanted);
}

void GraphCapture::deliver(const uint8_t* bits, size_t length) {
    drawPreview(bits);
    offer(bits, length);
}

}  // namespace zemra::vid
