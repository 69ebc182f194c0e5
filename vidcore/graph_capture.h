// Capture through libv4l2, which converts the camera's pictures into the
// format asked for: 24-bit RGB at the chosen size, or I420 when the camera
// cannot give RGB. Each picture is previewed, then offered to the sender.
#pragma once

#include "vidcore/capture_back_end.h"

namespace zemra::vid {

class GraphCapture final : public CaptureBackEnd {
  public:
    using CaptureBackEnd::CaptureBackEnd;
    ~GraphCapture() override { stop(); }

  protected:
    // The device at `index`, else the first in the list that opens.
    std::unique_ptr<Camera> openCamera(int index) override;
    void negotiate(Camera& camera, int mode) override;
    void deliver(const uint8_t* bits, size_t length) override;
};

}  // namespace zemra::vid
