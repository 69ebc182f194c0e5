// The main window's music share: during a call the partner can hear what
// this machine plays instead of its microphone, by switching the recording
// source of the microphone device's mixer.
#pragma once

namespace zemra::client {

// Records what the machine plays (the wave-output source, or else the
// analog one, turned to full volume) when `shareMusic`, else the
// microphone. Works only on a recording line whose single control is a
// multiplexer; any failure leaves the source as it was (false).
bool selectRecordingSource(unsigned waveInDevice, bool shareMusic);

}  // namespace zemra::client
