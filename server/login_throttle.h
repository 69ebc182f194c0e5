// Holds back password guessing across connections. Failed logins are
// counted per address and per account; from the kFreeFailures-th failure on,
// the address (or the account) is held back for 2, 4, 8 ... seconds, at most
// kMaxHold, and every further failure doubles the time. Counts are forgotten
// once kForgetAfter has passed without a failure.
//
// A held-back address may not try any account. A held-back account may
// still be tried from addresses that have not failed on it: its owner, from
// wherever he is, still gets in, while each guessing address gets one try
// per hold. A successful login clears the account's count, never the
// address's (a guesser could otherwise clear his own with an account of his).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace zemra::server {

class LoginThrottle {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kFreeFailures = 5;
    static constexpr std::chrono::seconds kMaxHold{600};
    static constexpr std::chrono::seconds kForgetAfter{3600};
    // Password checks (logins and registrations) running at once for one address.
    static constexpr int kMaxChecksPerAddress = 4;
    // Addresses remembered per account as having failed on it.
    static constexpr std::size_t kFailedAddressesPerAccount = 32;

    // `account` 0 stands for an ID nobody has: only the address counts then.
    bool mayTry(uint32_t address, uint32_t account, Clock::time_point now) const;
    void failed(uint32_t address, uint32_t account, Clock::time_point now);
    void succeeded(uint32_t account);

    // A password check for the address starts or ends.
    bool mayStartCheck(uint32_t address) const;
    void checkStarted(uint32_t address);
    void checkEnded(uint32_t address);

    // The hold that `failures` failures in a row earn; zero below kFreeFailures.
    static std::chrono::seconds holdAfter(int failures);
    std::size_t trackedAddresses() const { return addresses_.size(); }

  private:
    struct Record {
        int failures = 0;
        Clock::time_point lastFailure{};
        Clock::time_point heldUntil{};
    };
    struct AccountRecord : Record {
        std::vector<uint32_t> failedFrom;  // most recent last
    };

    static bool held(const Record& record, Clock::time_point now);
    static void count(Record& record, Clock::time_point now);
    void forgetOldAddresses(Clock::time_point now);

    std::unordered_map<uint32_t, Record> addresses_;
    std::unordered_map<uint32_t, AccountRecord> accounts_;
    std::unordered_map<uint32_t, int> checks_;
    std::size_t sweepAt_ = 4096;
};

}  // namespace zemra::server
