// Virtual sound devices for machines without a sound card: input from a WAV
// file, a sine tone or silence; output to a WAV file or nowhere. Both keep
// real time, so the engine above them runs as it would on a card.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <set>
#include <string>

#include "platform/byte_order.h"
#include "platform/mixer_soft.h"
#include "platform/wav_file.h"
#include "platform/wave_backends.h"

namespace zemra {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kInputVariable = "ZEMRA_AUDIO_IN";
constexpr const char* kOutputVariable = "ZEMRA_AUDIO_OUT";
constexpr std::string_view kTonePrefix = "tone:";
// -10 dBFS, loud enough to measure and far from clipping.
constexpr double kToneAmplitude = 32767.0 * 0.31622776601683794;
// Falling further behind than this (a stalled machine) restarts the clock
// instead of rushing to catch up.
constexpr auto kMaxLag = std::chrono::milliseconds(200);

// Sample frames against the clock, from the moment the stream begins.
class Pacer {
  public:
    explicit Pacer(uint32_t rate) : rate_(rate) {}

    void begin() {
        std::lock_guard lock(mutex_);
        start_ = Clock::now();
        frames_ = 0;
    }

    // Waits until `frames` more frames have lasted; false when interrupted.
    bool advance(uint64_t frames) {
        std::unique_lock lock(mutex_);
        frames_ += frames;
        auto deadline = start_ + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(double(frames_) / rate_));
        if (Clock::now() > deadline + kMaxLag) {
            start_ = Clock::now() - (deadline - start_);
            deadline = Clock::now();
        }
        return !wake_.wait_until(lock, deadline, [&] { return interrupted_; });
    }

    void interrupt() {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        wake_.notify_all();
    }

  private:
    const uint32_t rate_;
    std::mutex mutex_;
    std::condition_variable wake_;
    Clock::time_point start_ = Clock::now();
    uint64_t frames_ = 0;
    bool interrupted_ = false;
};

// Volume below full on 16-bit little-endian samples.
void applyVolume(uint8_t* data, size_t bytes, double factor) {
    if (factor >= 1.0) return;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const auto s = static_cast<int16_t>(getLe16(data + i));
        putLe16(data + i, static_cast<uint16_t>(static_cast<int16_t>(s * factor)));
    }
}

std::optional<double> toneFrequency(const std::string& setting) {
    if (setting.rfind(kTonePrefix, 0) != 0) return std::nullopt;
    const std::string number = setting.substr(kTonePrefix.size());
    char* end = nullptr;
    const double hz = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0' || !(hz > 0)) return std::nullopt;
    return hz;
}

class VirtualInput : public WaveStream {
  public:
    VirtualInput(const WaveFormat& format, std::unique_ptr<WavReader> file, double toneHz)
        : format_(format), pacer_(format.samplesPerSec), file_(std::move(file)), toneHz_(toneHz) {}

    bool transfer(uint8_t* data, size_t bytes) override {
        const size_t frames = bytes / format_.blockAlign;
        if (!pacer_.advance(frames)) return false;
        // The sound "arrives" once it has lasted, as from a microphone.
        size_t filled = 0;
        if (file_) filled = file_->read(std::span(data, bytes));
        std::fill(data + filled, data + bytes, 0);
        if (toneHz_ > 0) {
            const double step = 2 * std::numbers::pi * toneHz_ / format_.samplesPerSec;
            for (size_t frame = 0; frame < frames; ++frame) {
                const auto v = static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(phase_)));
                for (unsigned c = 0; c < format_.channels; ++c) {
                    putLe16(data + frame * format_.blockAlign + 2 * c, static_cast<uint16_t>(v));
                }
                phase_ = std::fmod(phase_ + step, 2 * std::numbers::pi);
            }
        }
        applyVolume(data, bytes, softMixerInputScale());
        return true;
    }

    void begin() override { pacer_.begin(); }
    void interrupt() override { pacer_.interrupt(); }

  private:
    const WaveFormat format_;
    Pacer pacer_;
    std::unique_ptr<WavReader> file_;
    const double toneHz_;
    double phase_ = 0;
};

// The files virtual speakers are writing. A file has one writer: a second
// stream opened on the same speaker (a notice sound while a call plays) is
// heard nowhere rather than writing over the first one's file.
class OutputFiles {
  public:
    bool claim(const std::string& path) {
        std::lock_guard lock(mutex_);
        return open_.insert(path).second;
    }
    void release(const std::string& path) {
        std::lock_guard lock(mutex_);
        open_.erase(path);
    }

  private:
    std::mutex mutex_;
    std::set<std::string> open_;
};

// Never destroyed: the engines close the speakers a client left open from
// their own static destructors, which may run after this file's statics.
OutputFiles& outputFiles() {
    static OutputFiles* const files = new OutputFiles;
    return *files;
}

class VirtualOutput : public WaveStream {
  public:
    VirtualOutput(const WaveFormat& format, std::unique_ptr<WavWriter> file, std::string path)
        : format_(format),
          pacer_(format.samplesPerSec),
          file_(std::move(file)),
          path_(std::move(path)) {}
    ~VirtualOutput() override {
        file_.reset();
        if (!path_.empty()) outputFiles().release(path_);
    }

    bool transfer(uint8_t* data, size_t bytes) override {
        if (file_) {
            // The caller's buffer stays as it was; only what is heard is scaled.
            played_.assign(data, data + bytes);
            applyVolume(played_.data(), played_.size(), softMixerOutputScale());
            file_->write(played_);
            written_ += bytes;
            if (written_ >= format_.avgBytesPerSec) {
                file_->flush();
                written_ = 0;
            }
        }
        return pacer_.advance(bytes / format_.blockAlign);
    }

    void begin() override { pacer_.begin(); }
    void interrupt() override { pacer_.interrupt(); }

  private:
    const WaveFormat format_;
    Pacer pacer_;
    std::unique_ptr<WavWriter> file_;
    std::string path_;  // the claimed file, if any
    std::vector<uint8_t> played_;
    size_t written_ = 0;
};

}  // namespace

std::optional<std::string> virtualDeviceSetting(WaveDirection direction) {
    const char* value =
        std::getenv(direction == WaveDirection::kInput ? kInputVariable : kOutputVariable);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

std::string virtualDeviceName(WaveDirection direction, const std::string& setting) {
    if (direction == WaveDirection::kInput) {
        if (setting == "silence") return "virtual microphone (silence)";
        if (toneFrequency(setting)) {
            return "virtual microphone (tone " + setting.substr(kTonePrefix.size()) + " Hz)";
        }
        return "virtual microphone (" + setting + ")";
    }
    if (setting == "null") return "virtual speaker (null)";
    return "virtual speaker (" + setting + ")";
}

std::unique_ptr<WaveStream> openVirtualStream(WaveDirection direction, const std::string& setting,
                                              const WaveFormat& format, std::string* error) {
    if (direction == WaveDirection::kOutput) {
        std::unique_ptr<WavWriter> file;
        std::string claimed;
        if (setting != "null" && outputFiles().claim(setting)) {
            file = WavWriter::create(setting, format, error);
            if (!file) {
                outputFiles().release(setting);
                return nullptr;
            }
            claimed = setting;
        }
        return std::make_unique<VirtualOutput>(format, std::move(file), std::move(claimed));
    }
    if (setting == "silence") return std::make_unique<VirtualInput>(format, nullptr, 0);
    if (setting.rfind(kTonePrefix, 0) == 0) {
        const auto hz = toneFrequency(setting);
        if (!hz || *hz >= format.samplesPerSec / 2.0) {
            if (error) *error = "bad tone setting " + setting;
            return nullptr;
        }
        return std::make_unique<VirtualInput>(format, nullptr, *hz);
    }
    auto file = WavReader::open(setting, error);
    if (!file) return nullptr;
    const WaveFormat& f = file->format();
    if (f.formatTag != WaveFormat::kPcm || f.bitsPerSample != 16 ||
        f.samplesPerSec != format.samplesPerSec || f.channels != format.channels) {
        if (error) *error = setting + ": not 16-bit PCM of the device's rate and channels";
        return nullptr;
    }
    return std::make_unique<VirtualInput>(format, std::move(file), 0);
}

}  // namespace zemra
