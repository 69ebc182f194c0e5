#include "platform/capture.h"

#include "platform/capture_test_camera.h"
#include "platform/capture_v4l2.h"

namespace zemra {
namespace {

// The device list is read afresh for every question, as cameras come and go.
class SystemCameras final : public CameraProvider {
  public:
    std::vector<std::string> names() override {
        std::vector<std::string> out;
        if (testCameraEnabled()) out.push_back(TestCamera().name());
        for (const V4l2Device& d : listV4l2Devices()) out.push_back(d.name);
        return out;
    }

    std::unique_ptr<Camera> open(size_t index, CameraAccess access) override {
        if (testCameraEnabled()) {
            if (index == 0) return std::make_unique<TestCamera>();
            --index;
        }
        const std::vector<V4l2Device> devices = listV4l2Devices();
        if (index >= devices.size()) return nullptr;
        return V4l2Camera::open(devices[index], access);
    }
};

}  // namespace

CameraProvider& systemCameras() {
    static SystemCameras cameras;
    return cameras;
}

}  // namespace zemra
