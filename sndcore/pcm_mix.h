// Adding one stream of 16-bit samples onto another with saturation, with
// the processor's packed saturating addition where it has one. Both paths
// give identical samples.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zemra::snd {

// Whether this processor offers packed saturating 16-bit addition.
bool packedAddAvailable();

// dest[i] = clamp(dest[i] + src[i]) for n samples.
void addSaturating(int16_t* dest, const int16_t* src, size_t n, bool packed);

}  // namespace zemra::snd
