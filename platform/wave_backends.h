// Internal to the wave layer: the device thread shared by both directions
// and the back-ends that move the sound.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave.h"

namespace zemra {

// One opened back-end stream. transfer() blocks for as long as the sound
// lasts (a real device's pace, or the clock for a virtual one).
class WaveStream {
  public:
    virtual ~WaveStream() = default;
    // Records into or plays from `data`; false on a device fault.
    virtual bool transfer(uint8_t* data, size_t bytes) = 0;
    // On the device thread when it starts running and when it stops.
    virtual void begin() {}
    virtual void halt() {}
    // From another thread: wake a transfer waiting on the clock (closing).
    virtual void interrupt() {}
};

enum class WaveDirection { kInput, kOutput };

class WaveDeviceCore {
  public:
    WaveDeviceCore(WaveDirection direction, std::string name, const WaveFormat& format,
                   std::unique_ptr<WaveStream> stream, WaveDevice::Callback callback);
    ~WaveDeviceCore();

    bool prepare(WaveBuffer& buffer);
    bool unprepare(WaveBuffer& buffer);
    bool add(WaveBuffer& buffer);
    void reset();
    void setRunning(bool running);
    void close();
    const std::string& name() const { return name_; }

  private:
    void run();

    const WaveDirection direction_;
    const std::string name_;
    const size_t periodBytes_;
    std::unique_ptr<WaveStream> stream_;
    WaveDevice::Callback callback_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<WaveBuffer*> queue_;
    uint64_t generation_ = 0;  // bumped by reset, so an in-flight buffer is not handed back
    bool running_ = false;
    bool closing_ = false;
    std::thread thread_;
};

struct WaveDeviceInfo {
    std::string id;           // what the back-end opens
    std::string description;  // shown to the user and in trace lines
};

// Virtual devices: the environment setting, if any, and the stream it names.
std::optional<std::string> virtualDeviceSetting(WaveDirection direction);
std::string virtualDeviceName(WaveDirection direction, const std::string& setting);
std::unique_ptr<WaveStream> openVirtualStream(WaveDirection direction, const std::string& setting,
                                              const WaveFormat& format, std::string* error);

// ALSA.
std::vector<WaveDeviceInfo> alsaDevices(WaveDirection direction);
std::unique_ptr<WaveStream> openAlsaStream(WaveDirection direction, const std::string& id,
                                           const WaveFormat& format, std::string* error);
// Keeps ALSA's own diagnostics off stderr; failures are reported by our callers.
void silenceAlsaErrors();

}  // namespace zemra
