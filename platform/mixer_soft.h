// The software mixer that stands in for a card's mixer while the virtual
// sound devices are in use, and what its settings do to their sound.
#pragma once

#include <memory>

#include "platform/mixer.h"

namespace zemra {

std::unique_ptr<Mixer> openSoftMixer(Mixer::ChangeCallback onChange);

// Factors (0..1) the virtual devices apply: the recorded source's volume
// (0 while a source without sound is selected), and the speaker volume and mute.
double softMixerInputScale();
double softMixerOutputScale();

// Back to the settings of a fresh process.
void resetSoftMixer();

}  // namespace zemra
