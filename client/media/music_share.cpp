#include "client/media/music_share.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/mixer.h"

namespace zemra::client {
namespace {

std::optional<uint32_t> firstSourceOf(const Mixer& mixer, const MixerLine& recording,
                                      MixerComponent component) {
    for (uint32_t i = 0; i < recording.connections; ++i) {
        const auto line = mixer.source(recording, i);
        if (line && line->component == component) return i;
    }
    return std::nullopt;
}

}  // namespace

bool selectRecordingSource(unsigned waveInDevice, bool shareMusic) {
    const auto device = Mixer::forWaveIn(waveInDevice);
    if (!device) return false;
    const auto mixer = Mixer::open(*device);
    if (!mixer) return false;
    const auto recording = mixer->destination(MixerComponent::kDestinationWaveIn);
    if (!recording || recording->controls.size() != 1) return false;
    const MixerControl& mux = recording->controls.front();
    if (mux.type != MixerControlType::kMux && mux.type != MixerControlType::kSingleSelect) {
        return false;
    }

    std::optional<uint32_t> chosen;
    if (shareMusic) {
        chosen = firstSourceOf(*mixer, *recording, MixerComponent::kSourceWaveOut);
        if (!chosen) chosen = firstSourceOf(*mixer, *recording, MixerComponent::kSourceAnalog);
    } else {
        chosen = firstSourceOf(*mixer, *recording, MixerComponent::kSourceMicrophone);
    }
    if (!chosen || *chosen >= mux.itemNames.size()) return false;

    if (shareMusic) {
        // Full volume before the switch, so a refusal leaves the source alone.
        const auto source = mixer->source(*recording, *chosen);
        if (!source) return false;
        for (const MixerControl& c : source->controls) {
            if (c.type != MixerControlType::kVolume) continue;
            const std::size_t channels = c.uniform ? 1 : std::max<uint32_t>(source->channels, 1);
            if (!mixer->setValues(c.id, std::vector<int32_t>(channels, c.maximum))) return false;
            break;
        }
    }
    std::vector<int32_t> items(mux.itemNames.size(), 0);
    items[*chosen] = 1;
    return mixer->setValues(mux.id, items);
}

}  // namespace zemra::client
