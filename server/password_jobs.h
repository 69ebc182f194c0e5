// Password work handed to BackgroundWork: each job owns its inputs and
// results, so the thread that runs it shares nothing with the event loop.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "server/password_hash.h"

namespace zemra::server {

// A new password (registration, change of details) to hash.
struct NewPasswordJob {
    std::string password;
    std::string hash;     // empty when hashing failed
    bool failed = false;  // out of memory, most likely

    void run() {
        try {
            hash = hashPassword(password);
        } catch (const std::exception&) {
            failed = true;
        }
    }
};

// A login's password against what is stored. An unknown ID is hashed all
// the same, so that the answer takes as long and tells nothing.
struct PasswordCheckJob {
    std::optional<StoredPassword> stored;
    std::string password;
    bool matches = false;
    std::string upgradedHash;  // set when the stored form is old and should be replaced
    bool failed = false;

    void run() {
        try {
            if (!stored) {
                hashPassword(password);
                return;
            }
            matches = verifyPassword(*stored, password);
            if (matches && passwordNeedsRehash(*stored)) upgradedHash = hashPassword(password);
        } catch (const std::exception&) {
            failed = true;
            matches = false;
        }
    }
};

}  // namespace zemra::server
