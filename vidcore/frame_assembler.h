// Puts the fragments of frame messages back together. Two slots, so that
// the fragments of two frames may arrive interleaved; a fragment of a third
// frame takes the slot of the older one, which is lost if it was still
// incomplete.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "vidcore/video_packet.h"

namespace zemra::vid {

class FrameAssembler {
  public:
    struct Result {
        bool rejected = false;        // malformed fragment, nothing changed
        bool lostIncomplete = false;  // an incomplete frame was pushed out
        bool complete = false;        // frame() holds a whole frame message
        uint16_t sequence = 0;
        uint32_t timeStamp = 0;
    };

    // `fragment` is everything after the datagram's header. Throws
    // std::bad_alloc only when a fragment's buffer cannot be had; the
    // fragment is then stored empty.
    Result add(const VideoPacketHeader& header, std::span<const uint8_t> fragment);

    // The frame completed by the last add(), valid until the next call.
    std::span<const uint8_t> frame() const { return frame_; }

  private:
    struct Entry {
        std::vector<uint8_t> buffer;
        size_t length = 0;
    };
    struct Slot {
        std::array<Entry, kMaxFragments> entries;
        uint32_t timeStamp = 0;
        uint16_t sequence = 0;
        bool incomplete = false;
        bool delivered = false;
    };

    size_t chooseSlot(uint32_t timeStamp) const;
    static void clear(Slot& slot);

    std::array<Slot, 2> slots_;
    std::vector<uint8_t> frame_;
};

}  // namespace zemra::vid
