// Randomness the server hands out or keeps: password salts and file-transfer
// tokens come from libsodium's system generator, never from a seeded PRNG
// whose later outputs can be worked out from earlier ones.
#pragma once

#include <cstdint>

namespace zemra::server {

// Initialises libsodium once; throws when it cannot be.
void ensureSodium();
// Never 0: a zero token means "none" on the wire.
uint32_t randomToken();

}  // namespace zemra::server
