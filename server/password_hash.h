// How passwords are kept. New ones are Argon2id strings made by libsodium's
// crypto_pwhash_str (salt and cost inside the string). Accounts made before
// that still hold a 16-byte salt and SHA-256(salt + password); they are
// checked that way and rehashed at their next successful login.
//
// Hashing is slow on purpose: call these off the event loop.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemra::server {

struct StoredPassword {
    std::string salt;  // only for the old SHA-256 form
    std::string hash;  // an Argon2id string, an old 32-byte digest, or empty

    // The service accounts have no password: nobody logs in as them.
    bool disabled() const { return hash.empty(); }
    bool operator==(const StoredPassword&) const = default;
};

// 19 MiB and 2 passes, the usual minimum for Argon2id on a server. The
// INTERACTIVE limits (64 MiB) cost about 160 ms per login on a two-core
// machine; this costs about 25 ms, which keeps a burst of logins from
// queueing for seconds and the test suites quick.
inline constexpr unsigned long long kPasswordOpsLimit = 2;
inline constexpr std::size_t kPasswordMemLimit = 19u * 1024 * 1024;

// An Argon2id string for the password; throws std::runtime_error when the
// memory cannot be had.
std::string hashPassword(std::string_view password);
// False for a disabled account as for a wrong password.
bool verifyPassword(const StoredPassword& stored, std::string_view password);
// True for the old SHA-256 form and for Argon2id strings of other costs.
bool passwordNeedsRehash(const StoredPassword& stored);

}  // namespace zemra::server
