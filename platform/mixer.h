// Mixer lines and controls of a sound device: the recording side (a
// wave-in destination whose sources are the microphone, what the machine
// plays, line input ...) and the playback side (the speakers, with the
// wave-output source). Backed by the card's ALSA mixer, or by a software
// mixer when the virtual sound devices are in use; the software mixer's
// settings act on the virtual devices' sound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zemra {

enum class MixerComponent {
    kDestinationWaveIn,
    kDestinationSpeakers,
    kSourceMicrophone,
    kSourceWaveOut,
    kSourceAnalog,
    kSourceLine,
    kSourceUndefined,
};

enum class MixerControlType {
    kVolume,          // minimum..maximum per channel
    kMute,            // 0 or 1 per channel
    kMux,             // one item of several selected
    kSingleSelect,    // the same, in the platform's other spelling
    kMultipleSelect,  // any items selected
    kMixer,           // any items mixed
};

struct MixerControl {
    uint32_t id = 0;
    MixerControlType type = MixerControlType::kVolume;
    std::string name;
    int32_t minimum = 0;
    int32_t maximum = 0;
    bool uniform = false;                // one value for all channels
    std::vector<std::string> itemNames;  // select-type controls: one per item, in source order

    bool isSelect() const { return !itemNames.empty(); }
};

struct MixerLine {
    uint32_t id = 0;
    MixerComponent component = MixerComponent::kSourceUndefined;
    std::string name;
    uint32_t channels = 1;
    uint32_t connections = 0;  // destinations: how many source lines
    std::vector<MixerControl> controls;
};

class Mixer {
  public:
    // Called with the control's ID whenever a control changes, through any
    // handle of the same mixer, on the thread that changed it. Only queue work there.
    using ChangeCallback = std::function<void(uint32_t controlId)>;

    static unsigned deviceCount();
    // The mixer that belongs to a wave device of the wave layer's lists.
    static std::optional<unsigned> forWaveIn(unsigned waveDevice);
    static std::optional<unsigned> forWaveOut(unsigned waveDevice);
    static std::unique_ptr<Mixer> open(unsigned mixerDevice, ChangeCallback onChange = {},
                                       std::string* error = nullptr);

    virtual ~Mixer() = default;
    virtual std::string name() const = 0;
    virtual std::optional<MixerLine> destination(MixerComponent component) const = 0;
    // Source `index` (below the destination's connection count) of a destination.
    virtual std::optional<MixerLine> source(const MixerLine& destination, uint32_t index) const = 0;
    // Volume and mute: one value per channel (one for a uniform control).
    // Select-type controls: one value (0 or 1) per item.
    virtual bool getValues(uint32_t controlId, std::vector<int32_t>& values) const = 0;
    // Fails, changing nothing, for an unknown control, a wrong count, a value
    // out of range or (mux) not exactly one item selected.
    virtual bool setValues(uint32_t controlId, const std::vector<int32_t>& values) = 0;
};

}  // namespace zemra
