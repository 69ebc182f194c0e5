// Tones and notices: one WAV file at a time played on an output device, once
// or looped, without blocking the caller. A new sound replaces the one that
// is playing, as the platform's sound player has always done.
#pragma once

#include <filesystem>

namespace zemra::sound {

// Plays `file` (16-bit PCM WAV) on output device `device`. False when the
// file cannot be read or the device cannot be opened; nothing plays then.
bool play(const std::filesystem::path& file, bool loop = false, unsigned device = 0);
// Stops what is playing, if anything.
void stop();
// True while a sound is still being played.
bool playing();

}  // namespace zemra::sound
