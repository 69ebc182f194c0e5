#include "server/login_throttle.h"

#include <algorithm>

namespace zemra::server {

std::chrono::seconds LoginThrottle::holdAfter(int failures) {
    if (failures < kFreeFailures) return std::chrono::seconds(0);
    // 2 s after the kFreeFailures-th, doubling; the shift stays small.
    const int doublings = std::min(failures - kFreeFailures + 1, 20);
    return std::min(kMaxHold, std::chrono::seconds(int64_t{1} << doublings));
}

bool LoginThrottle::held(const Record& record, Clock::time_point now) {
    return now < record.heldUntil;
}

void LoginThrottle::count(Record& record, Clock::time_point now) {
    if (record.failures > 0 && now - record.lastFailure >= kForgetAfter) record.failures = 0;
    ++record.failures;
    record.lastFailure = now;
    const auto hold = holdAfter(record.failures);
    if (hold.count() > 0) record.heldUntil = now + hold;
}

bool LoginThrottle::mayTry(uint32_t address, uint32_t account, Clock::time_point now) const {
    if (const auto it = addresses_.find(address); it != addresses_.end() && held(it->second, now)) {
        return false;
    }
    const auto it = accounts_.find(account);
    if (account == 0 || it == accounts_.end() || !held(it->second, now)) return true;
    const auto& from = it->second.failedFrom;
    return std::find(from.begin(), from.end(), address) == from.end();
}

void LoginThrottle::failed(uint32_t address, uint32_t account, Clock::time_point now) {
    forgetOldAddresses(now);
    count(addresses_[address], now);
    if (account == 0) return;
    AccountRecord& record = accounts_[account];
    count(record, now);
    auto& from = record.failedFrom;
    std::erase(from, address);
    if (from.size() >= kFailedAddressesPerAccount) from.erase(from.begin());
    from.push_back(address);
}

void LoginThrottle::succeeded(uint32_t account) {
    accounts_.erase(account);
}

bool LoginThrottle::mayStartCheck(uint32_t address) const {
    const auto it = checks_.find(address);
    return it == checks_.end() || it->second < kMaxChecksPerAddress;
}

void LoginThrottle::checkStarted(uint32_t address) {
    ++checks_[address];
}

void LoginThrottle::checkEnded(uint32_t address) {
    const auto it = checks_.find(address);
    if (it != checks_.end() && --it->second <= 0) checks_.erase(it);
}

// Guessers from many addresses would otherwise grow the table without end;
// an address whose failures are forgotten anyway can go.
void LoginThrottle::forgetOldAddresses(Clock::time_point now) {
    if (addresses_.size() < sweepAt_) return;
    std::erase_if(addresses_, [now](const auto& entry) {
        return now - entry.second.lastFailure >= kForgetAfter && !held(entry.second, now);
    });
    sweepAt_ = std::max<std::size_t>(4096, addresses_.size() * 2);
}

}  // namespace zemra::server
