#include "server/connection_caps.h"

#include <utility>

namespace zemra::server {

ConnectionCaps::Ticket::Ticket(Ticket&& other) noexcept
    : counts_(std::move(other.counts_)), address_(other.address_) {}

ConnectionCaps::Ticket& ConnectionCaps::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        release();
        counts_ = std::move(other.counts_);
        address_ = other.address_;
    }
    return *this;
}

ConnectionCaps::Ticket::~Ticket() {
    release();
}

void ConnectionCaps::Ticket::release() {
    if (!counts_) return;
    --counts_->total;
    const auto it = counts_->perAddress.find(address_);
    if (it != counts_->perAddress.end() && --it->second == 0) counts_->perAddress.erase(it);
    counts_.reset();
}

std::optional<ConnectionCaps::Ticket> ConnectionCaps::admit(uint32_t address) {
    if (counts_->total >= maxTotal_) return std::nullopt;
    std::size_t& fromAddress = counts_->perAddress[address];
    if (fromAddress >= maxPerAddress_) {
        if (fromAddress == 0) counts_->perAddress.erase(address);
        return std::nullopt;
    }
    ++fromAddress;
    ++counts_->total;
    return Ticket(counts_, address);
}

std::size_t ConnectionCaps::openFrom(uint32_t address) const {
    const auto it = counts_->perAddress.find(address);
    return it == counts_->perAddress.end() ? 0 : it->second;
}

}  // namespace zemra::server
