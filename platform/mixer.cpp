#include "mixer.h"

#include "platform/mixer_alsa.h"
#include "platform/mixer_soft.h"
#include "platform/wave_backends.h"

namespace zemra {
namespace {

bool virtualSound() {
    return virtualDeviceSetting(WaveDirection::kInput) ||
           virtualDeviceSetting(WaveDirection::kOutput);
}

// The software mixer belongs to the virtual devices only.
std::optional<unsigned> mixerForWave(WaveDirection direction, unsigned waveDevice) {
    if (virtualSound()) {
        if (virtualDeviceSetting(direction) && waveDevice == 0) return 0u;
        return std::nullopt;
    }
    const auto list = alsaDevices(direction);
    if (waveDevice >= list.size()) return std::nullopt;
    const auto card = alsaCardOfPcm(list[waveDevice].id);
    if (!card) return std::nullopt;
    const auto cards = alsaMixerCards();
    for (unsigned i = 0; i < cards.size(); ++i) {
        if (cards[i] == *card) return i;
    }
    return std::nullopt;
}

}  // namespace

unsigned Mixer::deviceCount() {
    if (virtualSound()) return 1;
    return static_cast<unsigned>(alsaMixerCards().size());
}

std::optional<unsigned> Mixer::forWaveIn(unsigned waveDevice) {
    return mixerForWave(WaveDirection::kInput, waveDevice);
}

std::optional<unsigned> Mixer::forWaveOut(unsigned waveDevice) {
    return mixerForWave(WaveDirection::kOutput, waveDevice);
}

std::unique_ptr<Mixer> Mixer::open(unsigned mixerDevice, ChangeCallback onChange,
                                   std::string* error) {
    if (virtualSound()) {
        if (mixerDevice == 0) return openSoftMixer(std::move(onChange));
        if (error) *error = "no such mixer";
        return nullptr;
    }
    const auto cards = alsaMixerCards();
    if (mixerDevice >= cards.size()) {
        if (error) *error = "no such mixer";
        return nullptr;
    }
    return openAlsaMixer(cards[mixerDevice], std::move(onChange), error);
}

}  // namespace zemra
