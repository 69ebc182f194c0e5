// The playback volume: the volume control of the wave-output source line of
// the wave-out device's mixer, and the speaker switch acting on that line.
#pragma once

#include "client/media/mixer_volume.h"

namespace zemra::client {

class COutputVolume : public MixerVolume {
  public:
    using MixerVolume::MixerVolume;

    // Opens the mixer of wave-out device `waveOutDevice` and takes the volume
    // control of its wave-output source. On failure the object stays usable
    // without a control.
    bool create(unsigned waveOutDevice);

    // Clear / set the line's mute controls and select / deselect every item
    // of its selection controls. False when there is no line or the mixer
    // refuses a control.
    bool speakerOn() { return switchSpeaker(true); }
    bool speakerOff() { return switchSpeaker(false); }

  private:
    bool switchSpeaker(bool on);
};

}  // namespace zemra::client
