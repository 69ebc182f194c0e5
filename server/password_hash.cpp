#include "server/password_hash.h"

#include <sodium.h>

#include <stdexcept>

#include "server/secure_random.h"

namespace zemra::server {
namespace {

bool isArgon2id(const std::string& hash) {
    return hash.starts_with(crypto_pwhash_argon2id_STRPREFIX);
}

bool verifyOldForm(const StoredPassword& stored, std::string_view password) {
    if (stored.hash.size() != crypto_hash_sha256_BYTES) return false;
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(stored.salt.data()),
                              stored.salt.size());
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(password.data()),
                              password.size());
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    return sodium_memcmp(digest, stored.hash.data(), sizeof digest) == 0;
}

}  // namespace

std::string hashPassword(std::string_view password) {
    ensureSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, password.data(), password.size(), kPasswordOpsLimit,
                              kPasswordMemLimit, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw std::runtime_error("out of memory for password hashing");
    }
    return out;
}

bool verifyPassword(const StoredPassword& stored, std::string_view password) {
    ensureSodium();
    if (stored.disabled()) return false;
    if (!isArgon2id(stored.hash)) return verifyOldForm(stored, password);
    return crypto_pwhash_str_verify(stored.hash.c_str(), password.data(), password.size()) == 0;
}

bool passwordNeedsRehash(const StoredPassword& stored) {
    ensureSodium();
    if (stored.disabled()) return false;
    if (!isArgon2id(stored.hash)) return true;
    return crypto_pwhash_str_needs_rehash(stored.hash.c_str(), kPasswordOpsLimit,
                                          kPasswordMemLimit) != 0;
}

}  // namespace zemra::server
