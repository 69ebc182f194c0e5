// Capture in the camera's own format through V4L2 streaming I/O; the size
// is set by the size mode where the camera takes it. Each picture is
// offered to the sender first, then previewed.
#pragma once

#include "vidcore/capture_back_end.h"

namespace zemra::vid {

class WindowCapture final : public CaptureBackEnd {
  public:
    static constexpr int kFallbackDrivers = 9;  // drivers 0 to 8

    using CaptureBackEnd::CaptureBackEnd;
    ~WindowCapture() override { stop(); }

  protected:
    // The driver at `index`, else drivers 0 to 8 in turn.
    std::unique_ptr<Camera> openCamera(int index) override;
    void negotiate(Camera& camera, int mode) override;
    void deliver(const uint8_t* bits, size_t length) override;
};

}  // namespace zemra::vid
