// Cameras under /dev/video*, opened through libv4l2 (with conversion) or
// through the kernel interface directly (the camera's own format). Both
// stream through memory-mapped buffers on a delivery thread.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/capture.h"

namespace zemra {

struct V4l2Device {
    std::string path;
    std::string name;
};

// Video-capture devices that can stream, in device-number order.
std::vector<V4l2Device> listV4l2Devices();

class V4l2Camera final : public Camera {
  public:
    // Null when the device does not open or cannot capture.
    static std::unique_ptr<V4l2Camera> open(const V4l2Device& device, CameraAccess access);
    ~V4l2Camera() override;

    std::string name() const override { return name_; }
    BitmapInfoHeader format() const override;
    bool setFormat(const BitmapInfoHeader& wanted) override;
    void setFrameInterval(uint32_t microseconds) override;
    bool start(FrameHandler handler) override;
    void stop() override;

    struct Io;

  private:
    struct Buffer {
        void* start = nullptr;
        size_t length = 0;
    };

    V4l2Camera(const Io& io, int fd, std::string name) : io_(io), fd_(fd), name_(std::move(name)) {}
    bool mapBuffers();
    void unmapBuffers();
    void deliver();
    // The picture in `buffer` as the header says it is laid out.
    const uint8_t* picture(const Buffer& buffer, size_t used, size_t& length);

    const Io& io_;
    int fd_;
    std::string name_;
    std::vector<Buffer> buffers_;
    // The layout in force while streaming.
    uint32_t pixelFormat_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t bytesPerLine_ = 0;
    std::vector<uint8_t> flipped_;
    FrameHandler handler_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

}  // namespace zemra
