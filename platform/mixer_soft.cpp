#include "mixer_soft.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace zemra {
namespace {

constexpr int32_t kMaxVolume = 0xFFFF;

enum ControlId : uint32_t {
    kRecordMux = 1,
    kMicrophoneVolume,
    kStereoMixVolume,
    kLineInVolume,
    kMasterVolume,
    kMasterMute,
    kWaveVolume,
    kWaveMute,
    kControlCount,
};

enum LineId : uint32_t {
    kRecordLine = 0x0000,
    kSpeakerLine = 0x0001,
    kMicrophoneLine = 0x1000,
    kStereoMixLine = 0x1001,
    kLineInLine = 0x1002,
    kWaveLine = 0x1100,
};

MixerControl volume(uint32_t id, const char* name) {
    return {id, MixerControlType::kVolume, name, 0, kMaxVolume, false, {}};
}

MixerControl mute(uint32_t id, const char* name) {
    return {id, MixerControlType::kMute, name, 0, 1, true, {}};
}

class SoftMixerState {
  public:
    SoftMixerState() { reset(); }

    void reset() {
        std::lock_guard lock(mutex_);
        values_[kRecordMux] = {1, 0, 0};
        for (uint32_t id :
             {kMicrophoneVolume, kStereoMixVolume, kLineInVolume, kMasterVolume, kWaveVolume}) {
            values_[id] = {kMaxVolume};
        }
        values_[kMasterMute] = {0};
        values_[kWaveMute] = {0};
        updateScales();
    }

    std::optional<MixerControl> control(uint32_t id) const {
        switch (id) {
            case kRecordMux:
                return MixerControl{kRecordMux,
                                    MixerControlType::kMux,
                                    "Recording Source",
                                    0,
                                    1,
                                    true,
                                    {"Microphone", "Stereo Mix", "Line In"}};
            case kMicrophoneVolume:
                return volume(id, "Microphone Volume");
            case kStereoMixVolume:
                return volume(id, "Stereo Mix Volume");
            case kLineInVolume:
                return volume(id, "Line In Volume");
            case kMasterVolume:
                return volume(id, "Master Volume");
            case kMasterMute:
                return mute(id, "Master Mute");
            case kWaveVolume:
                return volume(id, "Wave Volume");
            case kWaveMute:
                return mute(id, "Wave Mute");
            default:
                return std::nullopt;
        }
    }

    bool get(uint32_t id, std::vector<int32_t>& values) {
        if (!control(id)) return false;
        std::lock_guard lock(mutex_);
        values = values_[id];
        return true;
    }

    bool set(uint32_t id, const std::vector<int32_t>& values) {
        const auto c = control(id);
        if (!c) return false;
        const size_t count = c->isSelect() ? c->itemNames.size() : 1;
        if (values.size() != count) return false;
        for (int32_t v : values) {
            if (v < c->minimum || v > c->maximum) return false;
        }
        if (c->type == MixerControlType::kMux && std::count(values.begin(), values.end(), 1) != 1) {
            return false;
        }
        std::vector<Mixer::ChangeCallback> listeners;
        {
            std::lock_guard lock(mutex_);
            values_[id] = values;
            updateScales();
            for (const auto& [handle, callback] : listeners_) {
                if (callback) listeners.push_back(callback);
            }
        }
        for (const auto& callback : listeners) callback(id);
        return true;
    }

    void listen(const void* handle, Mixer::ChangeCallback callback) {
        std::lock_guard lock(mutex_);
        listeners_.emplace_back(handle, std::move(callback));
    }

    void forget(const void* handle) {
        std::lock_guard lock(mutex_);
        std::erase_if(listeners_, [&](const auto& entry) { return entry.first == handle; });
    }

    double inputScale() const { return inputScale_.load(); }
    double outputScale() const { return outputScale_.load(); }

  private:
    // Under the lock.
    void updateScales() {
        const auto& mux = values_[kRecordMux];
        // Only the microphone has sound on a virtual device.
        inputScale_ = mux[0] ? double(values_[kMicrophoneVolume][0]) / kMaxVolume : 0.0;
        const bool muted = values_[kMasterMute][0] || values_[kWaveMute][0];
        outputScale_ = muted ? 0.0
                             : double(values_[kMasterVolume][0]) / kMaxVolume *
                                   values_[kWaveVolume][0] / kMaxVolume;
    }

    std::mutex mutex_;
    std::array<std::vector<int32_t>, kControlCount> values_;
    std::vector<std::pair<const void*, Mixer::ChangeCallback>> listeners_;
    std::atomic<double> inputScale_{1.0};
    std::atomic<double> outputScale_{1.0};
};

SoftMixerState& state() {
    static SoftMixerState s;
    return s;
}

class SoftMixer : public Mixer {
  public:
    explicit SoftMixer(ChangeCallback onChange) { state().listen(this, std::move(onChange)); }
    ~SoftMixer() override { state().forget(this); }

    std::string name() const override { return "virtual mixer"; }

    std::optional<MixerLine> destination(MixerComponent component) const override {
        if (component == MixerComponent::kDestinationWaveIn) {
            return line(kRecordLine, component, "Recording", 3, {kRecordMux});
        }
        if (component == MixerComponent::kDestinationSpeakers) {
            return line(kSpeakerLine, component, "Speakers", 1, {kMasterVolume, kMasterMute});
        }
        return std::nullopt;
    }

    std::optional<MixerLine> source(const MixerLine& destination, uint32_t index) const override {
        if (destination.id == kRecordLine) {
            switch (index) {
                case 0:
                    return line(kMicrophoneLine, MixerComponent::kSourceMicrophone, "Microphone", 0,
                                {kMicrophoneVolume});
                case 1:
                    return line(kStereoMixLine, MixerComponent::kSourceWaveOut, "Stereo Mix", 0,
                                {kStereoMixVolume});
                case 2:
                    return line(kLineInLine, MixerComponent::kSourceAnalog, "Line In", 0,
                                {kLineInVolume});
                default:
                    return std::nullopt;
            }
        }
        if (destination.id == kSpeakerLine && index == 0) {
            return line(kWaveLine, MixerComponent::kSourceWaveOut, "Wave", 0,
                        {kWaveVolume, kWaveMute});
        }
        return std::nullopt;
    }

    bool getValues(uint32_t controlId, std::vector<int32_t>& values) const override {
        return state().get(controlId, values);
    }

    bool setValues(uint32_t controlId, const std::vector<int32_t>& values) override {
        return state().set(controlId, values);
    }

  private:
    static MixerLine line(uint32_t id, MixerComponent component, const char* name,
                          uint32_t connections, std::initializer_list<uint32_t> controls) {
        MixerLine l{id, component, name, 1, connections, {}};
        for (uint32_t c : controls) l.controls.push_back(*state().control(c));
        return l;
    }
};

}  // namespace

std::unique_ptr<Mixer> openSoftMixer(Mixer::ChangeCallback onChange) {
    return std::make_unique<SoftMixer>(std::move(onChange));
}

double softMixerInputScale() {
    return state().inputScale();
}
double softMixerOutputScale() {
    return state().outputScale();
}
void resetSoftMixer() {
    state().reset();
}

}  // namespace zemra
