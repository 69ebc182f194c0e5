// The ALSA side of the mixer layer: one mixer per sound card.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mixer.h"

namespace zemra {

// Card numbers, in mixer-device order.
std::vector<int> alsaMixerCards();
// The card a PCM name of the wave layer plays on: "sysdefault:CARD=x" names it,
// the other names use the first card.
std::optional<int> alsaCardOfPcm(const std::string& pcmName);
std::unique_ptr<Mixer> openAlsaMixer(int card, Mixer::ChangeCallback onChange, std::string* error);

}  // namespace zemra
