// Cuts the byte stream of a server connection into whole packets.
//
// Bytes arrive in reads of at most kMaxRead and are appended to a fixed
// buffer; every whole packet at its front is handed to the handler, in order,
// and removed. A packet that declares a body longer than kMaxBodyLength means
// the stream is lost: everything held is dropped and the connection stays
// open, so the next packet that starts a fresh read is taken again. Every
// packet is checked, not only the first of a read, which keeps the buffer
// from ever overflowing.
//
// The handler may feed more bytes (a send that waits in a nested event loop
// can deliver them); they are appended and handed out by the outer call once
// the handler returns, so packets keep their order and the packet being
// handled stays valid. The handler may also destroy the reassembler; nothing
// more is dispatched then, and the packet must not be used after that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "protocol/packet.h"

namespace zemra::protocol {

class PacketReassembler {
  public:
    static constexpr std::size_t kBufferSize = 65536;
    static constexpr std::size_t kMaxRead = 10240;

    // Gets the header's type and the whole packet, header included; the bytes
    // are valid only during the call.
    using Handler = std::function<void(uint16_t type, std::span<const uint8_t> packet)>;
    // Reads at most `capacity` bytes into `into`; returns how many, 0 or less for none.
    using ReadFunction = std::function<std::ptrdiff_t(uint8_t* into, std::size_t capacity)>;

    explicit PacketReassembler(Handler handler);
    ~PacketReassembler();
    PacketReassembler(const PacketReassembler&) = delete;
    PacketReassembler& operator=(const PacketReassembler&) = delete;

    // Takes the bytes of one read. Returns false, and keeps nothing, when
    // there are none, more than kMaxRead, or (fed from inside the handler) no
    // room is left.
    bool onRead(std::span<const uint8_t> bytes);

    // Lets `read` fill the buffer directly (at most kMaxRead bytes) and
    // dispatches what is complete. Returns false when nothing was read.
    bool readFrom(const ReadFunction& read);

    // Bytes held that do not make a whole packet yet.
    std::size_t held() const { return held_; }

    // Hands every whole packet at the front of `bytes` to `handler`, in order,
    // and returns the bytes they took: all of them when one declares a body
    // longer than kMaxBodyLength (the stream is lost). Stops as soon as
    // `*alive` turns false. For a reader that keeps no buffer while it holds
    // nothing: only what is left goes into a reassembler.
    static std::size_t dispatchWhole(std::span<const uint8_t> bytes, const Handler& handler,
                                     const bool& alive);

  private:
    void dispatchComplete();

    Handler handler_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::size_t held_ = 0;
    bool dispatching_ = false;
    // Cleared by the destructor, so that a loop whose handler destroyed the
    // reassembler knows to stop touching it.
    std::shared_ptr<bool> alive_;
};

}  // namespace zemra::protocol
