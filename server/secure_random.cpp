#include "server/secure_random.h"

#include <sodium.h>

#include <stdexcept>

namespace zemra::server {

void ensureSodium() {
    // sodium_init is safe to call from several threads; the static keeps
    // the check to once.
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("libsodium cannot be initialised");
}

uint32_t randomToken() {
    ensureSodium();
    uint32_t token = 0;
    while (token == 0) randombytes_buf(&token, sizeof token);
    return token;
}

}  // namespace zemra::server
