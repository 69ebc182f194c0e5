#include "sound.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wav_file.h"
#include "platform/wave.h"

namespace zemra::sound {
namespace {

// Tones are a few seconds long; anything much larger is not a notice sound.
constexpr uint64_t kMaxSoundBytes = 16 * 1024 * 1024;
constexpr std::size_t kBufferCount = 3;
constexpr uint32_t kBufferMs = 100;
constexpr uint32_t kMaxRate = 192000;
constexpr uint16_t kMaxChannels = 2;

// One sound on one open device. The device thread refills each buffer it
// hands back until the sound (or, looping, the caller) ends it; then a
// closer thread gives the device back, so that a finished notice does not
// keep the sound card busy.
class Playback {
  public:
    Playback(std::vector<uint8_t> pcm, const WaveFormat& format, bool loop)
        : pcm_(std::move(pcm)), loop_(loop) {
        const uint32_t bytes =
            std::max<uint32_t>(format.blockAlign, format.avgBytesPerSec * kBufferMs / 1000 /
                                                      format.blockAlign * format.blockAlign);
        for (auto& storage : storage_) storage.resize(bytes);
    }

    bool start(unsigned device, const WaveFormat& format) {
        out_ = WaveOut::open(device, format, [this](WaveBuffer& buffer) { refill(buffer); });
        if (!out_) return false;
        // Every buffer is filled before the first is queued: from then on
        // only the device thread moves through the sound.
        std::size_t ready = 0;
        for (; ready < kBufferCount; ++ready) {
            buffers_[ready].data = storage_[ready].data();
            if (!fill(buffers_[ready]) || !out_->prepare(buffers_[ready])) break;
        }
        queued_ = static_cast<int>(ready);
        for (std::size_t i = 0; i < ready; ++i) out_->add(buffers_[i]);
        if (ready == 0) return false;
        closer_ = std::thread([this] { closeWhenDone(); });
        return true;
    }

    ~Playback() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (closer_.joinable()) closer_.join();
        closeDevice();
    }

    bool playing() const { return queued_.load() > 0; }

  private:
    // Copies the next piece of the sound into `buffer`; false once nothing is left.
    bool fill(WaveBuffer& buffer) {
        std::size_t filled = 0;
        const std::size_t capacity = storage_[&buffer - buffers_.data()].size();
        while (filled < capacity) {
            if (position_ == pcm_.size()) {
                if (!loop_ || pcm_.empty()) break;
                position_ = 0;
            }
            const std::size_t n = std::min(capacity - filled, pcm_.size() - position_);
            std::memcpy(buffer.data + filled, pcm_.data() + position_, n);
            filled += n;
            position_ += n;
        }
        buffer.bufferLength = static_cast<uint32_t>(filled);
        return filled > 0;
    }

    void refill(WaveBuffer& buffer) {
        if (fill(buffer)) {
            out_->add(buffer);
            return;
        }
        if (--queued_ == 0) {
            std::lock_guard lock(mutex_);
            wake_.notify_all();
        }
    }

    void closeWhenDone() {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || queued_.load() == 0; });
        }
        closeDevice();
    }

    // Called by the closer thread, or by the destructor after it has ended.
    void closeDevice() {
        if (!out_ || closed_) return;
        closed_ = true;
        out_->shutdown(buffers_);
    }

    std::vector<uint8_t> pcm_;
    bool loop_;
    std::size_t position_ = 0;
    std::array<std::vector<uint8_t>, kBufferCount> storage_;
    std::array<WaveBuffer, kBufferCount> buffers_;
    std::atomic<int> queued_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool closed_ = false;
    std::unique_ptr<WaveOut> out_;
    std::thread closer_;
};

std::mutex& playerMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<Playback>& current() {
    static std::unique_ptr<Playback> playback;
    return playback;
}

}  // namespace

bool play(const std::filesystem::path& file, bool loop, unsigned device) {
    std::lock_guard lock(playerMutex());
    current().reset();
    auto reader = WavReader::open(file);
    if (!reader || !reader->format().isPcm16() || reader->dataBytes() > kMaxSoundBytes) {
        return false;
    }
    const WaveFormat& stated = reader->format();
    if (stated.samplesPerSec > kMaxRate || stated.channels > kMaxChannels) return false;
    // The derived fields are recomputed rather than taken from the file.
    const WaveFormat format = WaveFormat::pcm(stated.samplesPerSec, stated.channels, 16);
    std::vector<uint8_t> pcm(static_cast<std::size_t>(reader->dataBytes()));
    pcm.resize(reader->read(pcm));
    pcm.resize(pcm.size() / format.blockAlign * format.blockAlign);
    auto playback = std::make_unique<Playback>(std::move(pcm), format, loop);
    if (!playback->start(device, format)) return false;
    current() = std::move(playback);
    return true;
}

void stop() {
    std::lock_guard lock(playerMutex());
    current().reset();
}

bool playing() {
    std::lock_guard lock(playerMutex());
    return current() && current()->playing();
}

}  // namespace zemra::sound
