// Wave-in and wave-out devices: the sound card (ALSA) or, when
// ZEMRA_AUDIO_IN / ZEMRA_AUDIO_OUT are set, a virtual device paced by the
// clock. The caller owns fixed buffers and queues them; a device thread
// fills (input) or plays (output) them in order and hands each completed
// buffer to the callback.
//
// ZEMRA_AUDIO_IN:  a WAV file (16-bit PCM at the device's rate; silence once
//                  it ends), "tone:HZ" (a sine at -10 dBFS) or "silence".
// ZEMRA_AUDIO_OUT: a WAV file that receives what is played, or "null".
// When set, the virtual device is device 0 of its list and the only one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/wave_format.h"

namespace zemra {

// A caller-owned buffer. Prepare it, queue it, and unprepare it once the
// device has handed it back; a queued buffer cannot be unprepared.
struct WaveBuffer {
    static constexpr uint32_t kDone = 0x01;
    static constexpr uint32_t kPrepared = 0x02;
    static constexpr uint32_t kInQueue = 0x10;

    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;
    uint32_t bytesRecorded = 0;  // input: bytes filled
    std::atomic<uint32_t> flags{0};
};

class WaveDeviceCore;

// Common to both directions. All members are thread-safe and may be called
// from the completion callback, except close() and the destructor.
class WaveDevice {
  public:
    // Runs on the device thread for every buffer the device hands back
    // (input: filled, output: played). It is never called after close().
    using Callback = std::function<void(WaveBuffer& buffer)>;

    virtual ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    bool prepare(WaveBuffer& buffer);
    // Fails while the buffer is queued.
    bool unprepare(WaveBuffer& buffer);
    // Queues a prepared buffer that is not queued yet.
    bool add(WaveBuffer& buffer);
    // Takes all queued buffers back (marked done, without callbacks) and
    // halts the device.
    void reset();
    // Stops the device thread; no callback runs once this returns.
    void close();
    // The whole ending: takes every buffer back, stops the device thread and
    // unprepares `buffers`. Only after this may their memory go.
    void shutdown(std::span<WaveBuffer> buffers);

    const std::string& name() const;

  protected:
    explicit WaveDevice(std::unique_ptr<WaveDeviceCore> core);
    std::unique_ptr<WaveDeviceCore> core_;
};

class WaveIn : public WaveDevice {
  public:
    static unsigned deviceCount();
    // Empty for a number not in the list.
    static std::string deviceName(unsigned device);
    // Null (with a reason in `error`) when the device cannot be opened with this format.
    static std::unique_ptr<WaveIn> open(unsigned device, const WaveFormat& format,
                                        Callback callback, std::string* error = nullptr);
    // Recording runs between start and stop; buffers stay queued while stopped.
    bool start();
    bool stop();

  private:
    using WaveDevice::WaveDevice;
};

class WaveOut : public WaveDevice {
  public:
    static unsigned deviceCount();
    static std::string deviceName(unsigned device);
    static std::unique_ptr<WaveOut> open(unsigned device, const WaveFormat& format,
                                         Callback callback, std::string* error = nullptr);
    // Playback runs from open; pause holds it, restart resumes it.
    bool pause();
    bool restart();

  private:
    using WaveDevice::WaveDevice;
};

}  // namespace zemra
