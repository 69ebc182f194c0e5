// "trace.txt": a GBK text file that records each start of the client and the
// devices it chose. Opened once and kept open; every line is appended at the
// end and ends with "\r\n". When the file cannot be opened tracing is off and
// every call does nothing.
#pragma once

#include <ctime>
#include <filesystem>
#include <string_view>

namespace zemra::store {

inline constexpr const char* kTraceFileName = "trace.txt";

class TraceLog {
  public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Opens (or creates) `file` for appending and writes the start line, the
    // local time of `now` as "%Y_%m_%d_%H_%M_%S". False, and tracing off,
    // when it cannot be opened.
    bool open(const std::filesystem::path& file, std::time_t now = std::time(nullptr));
    bool isOn() const { return fd_ >= 0; }
    void close();

    // "系统保存当前使用视频设备号<n>": the video device number from the settings.
    void storedVideoDevice(int device);
    // "实际当前使用视频设备号<n>": the video device number actually used.
    void usedVideoDevice(int device);
    // "您当前使用输入设备号<n> 名称<name>" and " 播放设备号<n> 名称<name>" on the
    // next line. Names are UTF-8, as the sound devices report them.
    void audioDevices(int inputDevice, std::string_view inputNameUtf8, int outputDevice,
                      std::string_view outputNameUtf8);

    // Appends GBK bytes as they are, in one write.
    void write(std::string_view gbk);

  private:
    int fd_ = -1;
};

}  // namespace zemra::store
