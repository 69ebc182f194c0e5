// Stands in for the host program in tests: collects the pictures, window
// messages and message boxes the engine hands to the platform message hub.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bitmap_info_header.h"

namespace zemra::vid::testing {

struct DrawnPicture {
    int x, y, width, height;
    BitmapInfoHeader header;
    std::vector<uint8_t> bits;
    uint32_t clockMs;  // when it was drawn
};

class PictureSink {
  public:
    // Installs itself as the hub's sinks; uninstalls when destroyed.
    PictureSink();
    ~PictureSink();

    std::vector<DrawnPicture> pictures(uintptr_t window) const;
    size_t pictureCount(uintptr_t window) const;
    size_t messageCount(uintptr_t window, uint32_t message) const;
    std::vector<std::pair<std::string, std::string>> messageBoxes() const;
    void clear();

    // Waits until `done` holds (checked on every arrival) or `timeout` passes.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20));

  private:
    static void onMessage(uintptr_t, uint32_t, uintptr_t, intptr_t, void*);
    static void onPicture(uintptr_t, int, int, int, int, const uint8_t*, const void*, void*);
    static void onMessageBox(const char*, const char*, void*);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<uintptr_t, std::vector<DrawnPicture>> pictures_;
    std::map<std::pair<uintptr_t, uint32_t>, size_t> messages_;
    std::vector<std::pair<std::string, std::string>> boxes_;
};

}  // namespace zemra::vid::testing
