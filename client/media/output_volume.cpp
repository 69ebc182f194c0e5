#include "client/media/output_volume.h"

#include "platform/wave.h"

namespace zemra::client {

bool COutputVolume::create(unsigned waveOutDevice) {
    destroy();
    if (Mixer::deviceCount() == 0 || WaveOut::deviceCount() == 0) return false;
    const auto device = Mixer::forWaveOut(waveOutDevice);
    if (!device) return false;
    Mixer* mixer = openMixer(*device);
    if (!mixer) return false;

    if (const auto speakers = mixer->destination(MixerComponent::kDestinationSpeakers)) {
        for (uint32_t i = 0; i < speakers->connections; ++i) {
            const auto source = mixer->source(*speakers, i);
            if (source && source->component == MixerComponent::kSourceWaveOut) {
                if (takeVolumeOf(*source)) return true;
                break;
            }
        }
    }
    destroy();
    return false;
}

bool COutputVolume::switchSpeaker(bool on) {
    Mixer* m = mixer();
    if (!m || !hasControl()) return false;
    bool done = true;
    for (const MixerControl& control : line().controls) {
        switch (control.type) {
            case MixerControlType::kMute:
                done = m->setValues(control.id, valuesFor(control, on ? 0 : 1)) && done;
                break;
            case MixerControlType::kMux:
            case MixerControlType::kSingleSelect:
            case MixerControlType::kMultipleSelect:
            case MixerControlType::kMixer:
                done = m->setValues(control.id, valuesFor(control, on ? 1 : 0)) && done;
                break;
            case MixerControlType::kVolume:
                break;
        }
    }
    return done;
}

}  // namespace zemra::client
