#include "vidcore/testing/fake_cameras.h"

namespace zemra::vid::testing {
namespace {

class FakeCamera final : public Camera {
  public:
    explicit FakeCamera(const FakeCameraSetup& setup) : setup_(setup) {
        format_.width = setup.width;
        format_.height = setup.height;
        format_.bitCount = 16;
        format_.compression = kFourCcYuy2;
        format_.sizeImage = static_cast<uint32_t>(setup.width * setup.height * 2);
    }
    std::string name() const override { return "fake"; }
    BitmapInfoHeader format() const override { return format_; }
    bool setFormat(const BitmapInfoHeader& wanted) override {
        const bool takes = (wanted.compression == 0 && setup_.takesRgb) ||
                           (wanted.compression == kFourCcI420 && setup_.takesI420) ||
                           wanted.compression == kFourCcYuy2;
        if (!takes) return false;
        format_ = wanted;
        return true;
    }
    void setFrameInterval(uint32_t) override {}
    bool start(FrameHandler) override { return true; }
    void stop() override {}

  private:
    FakeCameraSetup setup_;
    BitmapInfoHeader format_;
};

}  // namespace

std::vector<std::string> FakeCameras::names() {
    return std::vector<std::string>(setups_.size(), "fake");
}

std::unique_ptr<Camera> FakeCameras::open(size_t index, CameraAccess) {
    if (index >= setups_.size() || !setups_[index].opens) return nullptr;
    std::lock_guard lock(mutex_);
    opened_.push_back(index);
    return std::make_unique<FakeCamera>(setups_[index]);
}

std::vector<size_t> FakeCameras::opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

}  // namespace zemra::vid::testing
