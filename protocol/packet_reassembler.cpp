#include "protocol/packet_reassembler.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zemra::protocol {
namespace {

// After a top-level read has been dispatched, less than one largest packet
// is held; a further read must always fit behind it.
static_assert(PacketReassembler::kBufferSize >= kMaxPacketSize - 1 + PacketReassembler::kMaxRead);

}  // namespace

PacketReassembler::PacketReassembler(Handler handler)
    : handler_(std::move(handler)),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(kBufferSize)),
      alive_(std::make_shared<bool>(true)) {}

PacketReassembler::~PacketReassembler() {
    *alive_ = false;
}

bool PacketReassembler::onRead(std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kMaxRead) return false;
    if (bytes.size() > kBufferSize - held_) return false;
    std::memcpy(buffer_.get() + held_, bytes.data(), bytes.size());
    held_ += bytes.size();
    dispatchComplete();
    return true;
}

bool PacketReassembler::readFrom(const ReadFunction& read) {
    const std::size_t capacity = std::min(kMaxRead, kBufferSize - held_);
    if (capacity == 0) return false;
    const std::ptrdiff_t count = read(buffer_.get() + held_, capacity);
    if (count <= 0 || static_cast<std::size_t>(count) > capacity) return false;
    held_ += static_cast<std::size_t>(count);
    dispatchComplete();
    return true;
}

std::size_t PacketReassembler::dispatchWhole(std::span<const uint8_t> bytes, const Handler& handler,
                                             const bool& alive) {
    std::size_t begin = 0;
    while (bytes.size() - begin >= kHeaderSize) {
        const std::span<const uint8_t> rest = bytes.subspan(begin);
        const PacketHeader header = PacketView(rest).header();
        if (header.bodyLength > kMaxBodyLength) return bytes.size();
        const std::size_t size = kHeaderSize + header.bodyLength;
        if (rest.size() < size) break;
        if (handler) handler(header.type, rest.first(size));
        if (!alive) break;
        begin += size;
    }
    return begin;
}

void PacketReassembler::dispatchComplete() {
    // A nested call leaves the work to the loop that is already running.
    if (dispatching_) return;
    dispatching_ = true;
    const std::shared_ptr<bool> alive = alive_;
    // Bytes fed from inside the handler land behind what is being dispatched,
    // so the loop runs again until nothing whole is left; the dispatched
    // bytes are moved out once at the end, so that the packet being handled
    // stays where it is.
    std::size_t begin = 0;
    for (;;) {
        const std::size_t heldBefore = held_;
        begin += dispatchWhole({buffer_.get() + begin, held_ - begin}, handler_, *alive);
        if (!*alive) return;
        if (held_ == heldBefore) break;
    }
    held_ -= begin;
    std::memmove(buffer_.get(), buffer_.get() + begin, held_);
    dispatching_ = false;
}

}  // namespace zemra::protocol
