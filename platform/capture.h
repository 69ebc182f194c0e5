// Cameras. Each camera is known by its index in one device list, shared by
// both ways of opening it:
//   kConverted  through libv4l2, which converts whatever the camera sends
//               into the format asked for (24-bit BGR or I420);
//   kNative     plain V4L2 streaming I/O in the camera's own format.
// With ZEMRA_TEST_CAMERA=1 a synthetic camera is put first in the list.
//
// Pictures are described by bitmap headers: 24-bit BGR has compression 0 and
// is delivered bottom-up with rows padded to 4 bytes, like any bitmap;
// other formats carry their FOURCC (I420, YUY2, MJPG ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap_info_header.h"

namespace zemra {

inline constexpr uint32_t kFourCcI420 = makeFourCc('I', '4', '2', '0');
inline constexpr uint32_t kFourCcYuy2 = makeFourCc('Y', 'U', 'Y', '2');

enum class CameraAccess { kConverted, kNative };

class Camera {
  public:
    // Called on the camera's delivery thread with one whole picture.
    using FrameHandler = std::function<void(const uint8_t* bits, size_t length)>;

    virtual ~Camera() = default;

    virtual std::string name() const = 0;
    // The format in force.
    virtual BitmapInfoHeader format() const = 0;
    // Applies size and pixel format of `wanted`; false when the camera does
    // not take exactly that (the format in force may have changed anyway).
    virtual bool setFormat(const BitmapInfoHeader& wanted) = 0;
    virtual void setFrameInterval(uint32_t microseconds) = 0;
    // Starts delivering pictures to `handler` on a thread of the camera's.
    virtual bool start(FrameHandler handler) = 0;
    // Stops delivery; the handler is not called once this returns. Must not
    // be called from the handler.
    virtual void stop() = 0;
};

// The device list the engines choose from; tests put their own in its place.
class CameraProvider {
  public:
    virtual ~CameraProvider() = default;
    virtual std::vector<std::string> names() = 0;
    // Null when the index is out of range or the device cannot be opened.
    virtual std::unique_ptr<Camera> open(size_t index, CameraAccess access) = 0;
};

// The cameras of this machine (and the test camera when enabled).
CameraProvider& systemCameras();

}  // namespace zemra
