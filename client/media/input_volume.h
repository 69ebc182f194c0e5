// The recording volume: the volume control of one source line (microphone,
// what the machine plays, line input ...) of the wave-in device's mixer, and
// the choice of which source is recorded.
#pragma once

#include <cstdint>
#include <optional>

#include "client/media/mixer_volume.h"

namespace zemra::client {

class CInputVolume : public MixerVolume {
  public:
    using MixerVolume::MixerVolume;

    // Opens the mixer of wave-in device `waveInDevice` and takes the volume
    // control of its recording source `sourceIndex`. On failure the object
    // stays usable without a control.
    bool create(unsigned waveInDevice, uint32_t sourceIndex);

    uint32_t sourceIndex() const { return sourceIndex_; }
    // The index of the first microphone source; none without one or without a control.
    std::optional<uint32_t> microphoneSource() const { return microphone_; }
    // Makes the chosen source the only one recorded; false when the mixer
    // refuses or there is none.
    bool selectSource();

  private:
    uint32_t sourceIndex_ = 0;
    std::optional<uint32_t> microphone_;
};

}  // namespace zemra::client
