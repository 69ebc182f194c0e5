// What the two capture back-ends share: a camera delivering pictures on its
// own thread, a preview rectangle and an optional second one to draw them
// into, and the sender they are offered to.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/capture.h"
#include "platform/winmsg.h"
#include "vidcore/video_sender.h"

namespace zemra::vid {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Picture sizes by size mode; nullopt: keep the camera's size.
std::optional<std::pair<int, int>> sizeForMode(int mode);

class CaptureBackEnd {
  public:
    CaptureBackEnd(VideoSender& sender, CameraProvider& cameras);
    virtual ~CaptureBackEnd();
    CaptureBackEnd(const CaptureBackEnd&) = delete;
    CaptureBackEnd& operator=(const CaptureBackEnd&) = delete;

    // Starts on device `index` (with the back-end's fallbacks), previewing
    // into the rectangle of `window`; a running capture is stopped first.
    // False, with nothing left running, on failure.
    bool start(WindowHandle window, const Rect& rect, int mode, int index);
    void stop();
    bool isRunning() const;
    std::optional<BitmapInfoHeader> captureFormat() const;

    void setSecond(WindowHandle window, const Rect& rect, int flag);
    void setPreviewOff(int flag);
    void movePreview(WindowHandle window, const Rect& rect);

  protected:
    virtual std::unique_ptr<Camera> openCamera(int index) = 0;
    // Sets the picture format for `mode`; the format in force is read after.
    virtual void negotiate(Camera& camera, int mode) = 0;
    // One picture from the camera, on its delivery thread.
    virtual void deliver(const uint8_t* bits, size_t length) = 0;

    // Draws into the preview rectangle unless it is off, and into the
    // second rectangle while its flag is 1.
    void drawPreview(const uint8_t* bits);
    // Offers the picture to the sender, telling the preview window when it
    // failed to go out.
    void offer(const uint8_t* bits, size_t length);

    VideoSender& sender_;
    CameraProvider& cameras_;

  private:
    struct Targets {
        WindowHandle preview = 0;
        Rect previewRect;
        bool previewOff = false;
        WindowHandle second = 0;
        Rect secondRect;
        int secondFlag = 0;
    };

    mutable std::mutex control_;  // start and stop; never held by the delivery thread
    std::unique_ptr<Camera> camera_;
    BitmapInfoHeader format_;  // fixed while the camera runs

    mutable std::mutex targetsMutex_;
    Targets targets_;
};

}  // namespace zemra::vid
