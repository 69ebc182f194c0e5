// Open connections per peer address and in total, each with its limit. A
// Ticket stands for one admitted connection and gives its place back when it
// is destroyed, so a connection counts exactly as long as its owner keeps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

namespace zemra::server {

class ConnectionCaps {
    struct Counts {
        std::size_t total = 0;
        std::unordered_map<uint32_t, std::size_t> perAddress;
    };

  public:
    class Ticket {
      public:
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket();

      private:
        friend class ConnectionCaps;
        Ticket(std::shared_ptr<Counts> counts, uint32_t address)
            : counts_(std::move(counts)), address_(address) {}
        void release();

        // Shared, so that a ticket outliving the caps (a socket handler run
        // late) stays harmless.
        std::shared_ptr<Counts> counts_;
        uint32_t address_ = 0;
    };

    ConnectionCaps(std::size_t total, std::size_t perAddress)
        : maxTotal_(total), maxPerAddress_(perAddress) {}

    // Nothing when the address or the whole server is at its limit.
    std::optional<Ticket> admit(uint32_t address);
    std::size_t open() const { return counts_->total; }
    std::size_t openFrom(uint32_t address) const;

  private:
    std::size_t maxTotal_;
    std::size_t maxPerAddress_;
    std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
};

}  // namespace zemra::server
