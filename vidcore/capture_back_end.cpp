#include "vidcore/capture_back_end.h"

namespace zemra::vid {

std::optional<std::pair<int, int>> sizeForMode(int mode) {
    switch (mode) {
        case 1:
            return std::pair{176, 144};
        case 2:
            return std::pair{160, 120};
        case 3:
            return std::pair{320, 240};
        case 4:
            return std::pair{352, 288};
        case 8:
            return std::pair{640, 480};
    }
    return std::nullopt;
}

CaptureBackEnd::CaptureBackEnd(VideoSender& sender, CameraProvider& cameras)
    : sender_(sender), cameras_(cameras) {}

CaptureBackEnd::~CaptureBackEnd() = default;  // subclasses stop, while they still exist

bool CaptureBackEnd::start(WindowHandle window, const Rect& rect, int mode, int index) {
    stop();
    std::lock_guard lock(control_);
    {
        std::lock_guard targets(targetsMutex_);
        targets_ = Targets{};
        targets_.preview = window;
        targets_.previewRect = rect;
    }
    std::unique_ptr<Camera> camera = openCamera(index);
    if (!camera) return false;
    negotiate(*camera, mode);
    format_ = camera->format();
    sender_.setCaptureFormat(format_);
    if (!camera->start([this](const uint8_t* bits, size_t length) {
            try {
                deliver(bits, length);
            } catch (...) {
                // A bad picture must not end the capture.
            }
        })) {
        sender_.setCaptureFormat(std::nullopt);
        return false;
    }
    camera_ = std::move(camera);
    return true;
}

void CaptureBackEnd::stop() {
    std::lock_guard lock(control_);
    if (!camera_) return;
    camera_->stop();
    camera_.reset();
    sender_.setCaptureFormat(std::nullopt);
}

bool CaptureBackEnd::isRunning() const {
    std::lock_guard lock(control_);
    return camera_ != nullptr;
}

std::optional<BitmapInfoHeader> CaptureBackEnd::captureFormat() const {
    std::lock_guard lock(control_);
    if (!camera_) return std::nullopt;
    return format_;
}

void CaptureBackEnd::setSecond(WindowHandle window, const Rect& rect, int flag) {
    std::lock_guard lock(targetsMutex_);
    targets_.second = window;
    targets_.secondRect = rect;
    targets_.secondFlag = flag;
}

void CaptureBackEnd::setPreviewOff(int flag) {
    std::lock_guard lock(targetsMutex_);
    targets_.previewOff = flag != 0;
}

void CaptureBackEnd::movePreview(WindowHandle window, const Rect& rect) {
    std::lock_guard lock(targetsMutex_);
    targets_.preview = window;
    targets_.previewRect = rect;
}

void CaptureBackEnd::drawPreview(const uint8_t* bits) {
    std::lock_guard lock(targetsMutex_);
    const Targets& t = targets_;
    if (!t.previewOff) {
        drawPicture(t.preview, t.previewRect.x, t.previewRect.y, t.previewRect.width,
                    t.previewRect.height, format_, bits);
    }
    if (t.secondFlag == 1) {
        drawPicture(t.second, t.secondRect.x, t.secondRect.y, t.secondRect.width,
                    t.secondRect.height, format_, bits);
    }
}

void CaptureBackEnd::offer(const uint8_t* bits, size_t length) {
    if (sender_.offer(bits, length) == 0) {
        WindowHandle preview;
        {
            std::lock_guard lock(targetsMutex_);
            preview = targets_.preview;
        }
        postWindowMessage(preview, kWmVideoSendFailed, 0, 0);
    }
}

}  // namespace zemra::vid
