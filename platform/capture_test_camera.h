// The synthetic camera (ZEMRA_TEST_CAMERA=1) for machines without one: a
// moving pattern with a running clock. Every picture also carries its frame
// number and clock time as a strip of large black and white blocks along
// its top, which survive video coding, so that a program (or a person)
// looking at a received picture can tell which one it is and how old.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/capture.h"

namespace zemra {

bool testCameraEnabled();

struct TestPatternStamp {
    uint16_t frameNumber = 0;
    uint32_t clockMs = 0;  // processClockMs() when the picture was made
    bool operator==(const TestPatternStamp&) const = default;
};

// 24-bit BGR, bottom-up, rows padded to 4 bytes; width and height even, at
// least 64.
void renderTestPattern(const TestPatternStamp& stamp, int width, int height, uint8_t* bits);
// Nullopt when the strip does not read back consistently.
std::optional<TestPatternStamp> readTestPatternStamp(const uint8_t* bits, int width, int height);

class TestCamera final : public Camera {
  public:
    TestCamera();
    ~TestCamera() override;

    std::string name() const override { return "zemra test camera"; }
    BitmapInfoHeader format() const override;
    // Takes 24-bit BGR or I420 at even sizes from 64 × 64 to 1920 × 1080.
    bool setFormat(const BitmapInfoHeader& wanted) override;
    void setFrameInterval(uint32_t microseconds) override;
    bool start(FrameHandler handler) override;
    void stop() override;

  private:
    void deliver();
    void makePicture(uint16_t frameNumber);

    mutable std::mutex mutex_;
    BitmapInfoHeader format_;
    uint32_t intervalUs_ = 33333;
    FrameHandler handler_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::vector<uint8_t> bgr_;
    std::vector<uint8_t> picture_;
};

}  // namespace zemra
