#include "trace_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "client/store/time_text.h"
#include "platform/text.h"

namespace zemra::store {
TraceLog::~TraceLog() {
    close();
}

bool TraceLog::open(const std::filesystem::path& file, std::time_t now) {
    close();
    fd_ = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    write(formatTime(localTime(now), kStampFormat) + "\r\n");
    return true;
}

void TraceLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void TraceLog::storedVideoDevice(int device) {
    static const std::string prefix = text::toGbk("系统保存当前使用视频设备号");
    write(prefix + std::to_string(device) + "\r\n");
}

void TraceLog::usedVideoDevice(int device) {
    static const std::string prefix = text::toGbk("实际当前使用视频设备号");
    write(prefix + std::to_string(device) + "\r\n");
}

void TraceLog::audioDevices(int inputDevice, std::string_view inputNameUtf8, int outputDevice,
                            std::string_view outputNameUtf8) {
    if (!isOn()) return;
    static const std::string input = text::toGbk("您当前使用输入设备号");
    static const std::string output = text::toGbk(" 播放设备号");
    static const std::string name = text::toGbk(" 名称");
    write(input + std::to_string(inputDevice) + name + text::toGbk(inputNameUtf8) + "\r\n" +
          output + std::to_string(outputDevice) + name + text::toGbk(outputNameUtf8) + "\r\n");
}

void TraceLog::write(std::string_view bytes) {
    if (fd_ < 0) return;
    // O_APPEND puts each write at the current end, after whatever another
    // process added meanwhile.
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace zemra::store
