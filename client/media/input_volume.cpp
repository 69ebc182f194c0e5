#include "client/media/input_volume.h"

#include "platform/wave.h"

namespace zemra::client {

bool CInputVolume::create(unsigned waveInDevice, uint32_t sourceIndex) {
    destroy();
    sourceIndex_ = sourceIndex;
    microphone_.reset();
    if (Mixer::deviceCount() == 0 || WaveIn::deviceCount() == 0) return false;
    const auto device = Mixer::forWaveIn(waveInDevice);
    if (!device) return false;
    Mixer* mixer = openMixer(*device);
    if (!mixer) return false;

    const auto recording = mixer->destination(MixerComponent::kDestinationWaveIn);
    std::optional<MixerLine> source;
    if (recording && sourceIndex < recording->connections) {
        source = mixer->source(*recording, sourceIndex);
    }
    if (!source || !takeVolumeOf(*source)) {
        destroy();
        return false;
    }
    for (uint32_t i = 0; i < recording->connections; ++i) {
        const auto line = mixer->source(*recording, i);
        if (line && line->component == MixerComponent::kSourceMicrophone) {
            microphone_ = i;
            break;
        }
    }
    return true;
}

bool CInputVolume::selectSource() {
    Mixer* m = mixer();
    if (!m) return false;
    const auto recording = m->destination(MixerComponent::kDestinationWaveIn);
    if (!recording) return false;
    bool done = true;
    for (const MixerControl& control : recording->controls) {
        if (control.itemNames.size() < 2) continue;
        std::vector<int32_t> items(control.itemNames.size(), 0);
        if (sourceIndex_ < items.size()) items[sourceIndex_] = 1;
        done = m->setValues(control.id, items) && done;
    }
    return done;
}

}  // namespace zemra::client
