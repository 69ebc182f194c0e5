// Sound cards through ALSA. The engine keeps its own three buffers queued,
// so the device's ring is kept short: a period of one buffer and room for
// a few, which holds the delay near what the engine itself adds.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdarg>
#include <mutex>

#include "platform/wave_backends.h"

namespace zemra {
namespace {

void quietHandler(const char*, int, const char*, int, const char*, ...) {}

bool wanted(const std::string& name) {
    return name == "default" || name == "pulse" || name == "pipewire" ||
           name.rfind("sysdefault:", 0) == 0;
}

class AlsaStream : public WaveStream {
  public:
    AlsaStream(snd_pcm_t* pcm, WaveDirection direction, const WaveFormat& format)
        : pcm_(pcm), direction_(direction), blockAlign_(format.blockAlign) {}
    ~AlsaStream() override { snd_pcm_close(pcm_); }

    bool transfer(uint8_t* data, size_t bytes) override {
        snd_pcm_uframes_t left = bytes / blockAlign_;
        while (left > 0) {
            const snd_pcm_sframes_t n = direction_ == WaveDirection::kInput
                                            ? snd_pcm_readi(pcm_, data, left)
                                            : snd_pcm_writei(pcm_, data, left);
            if (n < 0) {
                // Over- and underruns are recovered; anything else is a fault.
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return false;
                continue;
            }
            data += static_cast<size_t>(n) * blockAlign_;
            left -= static_cast<snd_pcm_uframes_t>(n);
        }
        return true;
    }

    void begin() override { snd_pcm_prepare(pcm_); }
    void halt() override { snd_pcm_drop(pcm_); }

  private:
    snd_pcm_t* pcm_;
    const WaveDirection direction_;
    const size_t blockAlign_;
};

}  // namespace

void silenceAlsaErrors() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(quietHandler); });
}

std::vector<WaveDeviceInfo> alsaDevices(WaveDirection direction) {
    silenceAlsaErrors();
    std::vector<WaveDeviceInfo> list;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) return list;
    const char* wantedIo = direction == WaveDirection::kInput ? "Input" : "Output";
    for (void** hint = hints; *hint; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* desc = snd_device_name_get_hint(*hint, "DESC");
        char* io = snd_device_name_get_hint(*hint, "IOID");
        if (name && wanted(name) && (!io || std::string(io) == wantedIo)) {
            std::string description = desc ? desc : name;
            description = description.substr(0, description.find('\n'));
            WaveDeviceInfo info{name, description};
            if (info.id == "default") {
                list.insert(list.begin(), info);
            } else {
                list.push_back(info);
            }
        }
        free(name);
        free(desc);
        free(io);
    }
    snd_device_name_free_hint(hints);
    return list;
}

std::unique_ptr<WaveStream> openAlsaStream(WaveDirection direction, const std::string& id,
                                           const WaveFormat& format, std::string* error) {
    silenceAlsaErrors();
    snd_pcm_t* pcm = nullptr;
    const auto stream =
        direction == WaveDirection::kInput ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    int rc = snd_pcm_open(&pcm, id.c_str(), stream, 0);
    if (rc < 0) {
        if (error) *error = id + ": " + snd_strerror(rc);
        return nullptr;
    }
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    unsigned rate = format.samplesPerSec;
    snd_pcm_uframes_t period = format.samplesPerSec / 25;
    snd_pcm_uframes_t bufferFrames = period * (direction == WaveDirection::kInput ? 8 : 2);
    rc = snd_pcm_hw_params_any(pcm, hw);
    if (rc >= 0) rc = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (rc >= 0) rc = snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE);
    if (rc >= 0) rc = snd_pcm_hw_params_set_channels(pcm, hw, format.channels);
    if (rc >= 0) rc = snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr);
    if (rc >= 0 && rate != format.samplesPerSec) rc = -EINVAL;
    if (rc >= 0) rc = snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr);
    if (rc >= 0) rc = snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &bufferFrames);
    if (rc >= 0) rc = snd_pcm_hw_params(pcm, hw);
    if (rc < 0) {
        if (error) *error = id + ": " + snd_strerror(rc);
        snd_pcm_close(pcm);
        return nullptr;
    }
    return std::make_unique<AlsaStream>(pcm, direction, format);
}

}  // namespace zemra
