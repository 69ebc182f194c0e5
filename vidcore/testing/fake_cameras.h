// Cameras that exist only in tests: which of them open, and which formats
// they take, is up to the test.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/capture.h"

namespace zemra::vid::testing {

struct FakeCameraSetup {
    bool opens = true;
    bool takesRgb = true;
    bool takesI420 = true;
    int width = 640;  // its size before anyone asks for another
    int height = 480;
};

class FakeCameras final : public CameraProvider {
  public:
    explicit FakeCameras(std::vector<FakeCameraSetup> setups) : setups_(std::move(setups)) {}

    std::vector<std::string> names() override;
    std::unique_ptr<Camera> open(size_t index, CameraAccess access) override;

    // Indexes opened, in order.
    std::vector<size_t> opened() const;

  private:
    std::vector<FakeCameraSetup> setups_;
    mutable std::mutex mutex_;
    std::vector<size_t> opened_;
};

}  // namespace zemra::vid::testing
