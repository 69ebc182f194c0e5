#include "vidcore/video_engine.h"

#include <system_error>

#include "platform/icm.h"
#include "platform/process_clock.h"

namespace zemra::vid {

namespace {

bool folderReadable(const std::filesystem::path& file) {
    std::error_code ec;
    return !file.empty() && std::filesystem::is_directory(file.parent_path(), ec);
}

}  // namespace

VideoSender::Options VideoEngine::senderOptions(const Options& options) {
    VideoSender::Options o;
    o.codecHandler = options.codecHandler;
    o.clock = options.clock ? options.clock : std::function<uint32_t()>(processClockMs);
    o.pace = options.pace;
    return o;
}

VideoEngine::VideoEngine(Options options)
    : sender_(rate_, senderOptions(options)),
      graph_(sender_, options.cameras ? *options.cameras : systemCameras()),
      window_(sender_, options.cameras ? *options.cameras : systemCameras()) {
    if (folderReadable(options.codecDriver)) {
        icm::install(makeFourCc('V', 'I', 'D', 'C'), options.codecHandler, options.codecDriver);
    }
}

VideoEngine::~VideoEngine() {
    // Cameras first: their threads offer pictures to the sender.
    graph_.stop();
    window_.stop();
}

}  // namespace zemra::vid
