#include "vidcore/frame_assembler.h"

namespace zemra::vid {

size_t FrameAssembler::chooseSlot(uint32_t timeStamp) const {
    if (slots_[0].timeStamp == timeStamp) return 0;
    if (slots_[1].timeStamp == timeStamp) return 1;
    return slots_[0].timeStamp < slots_[1].timeStamp ? 0 : 1;
}

void FrameAssembler::clear(Slot& slot) {
    for (Entry& e : slot.entries) e.length = 0;
    slot.timeStamp = 0;
    slot.sequence = 0;
    slot.incomplete = false;
    slot.delivered = false;
}

FrameAssembler::Result FrameAssembler::add(const VideoPacketHeader& header,
                                           std::span<const uint8_t> fragment) {
    Result result;
    frame_.clear();
    // A count of 0 or an index outside the count can only come from a broken
    // or hostile sender; either would make a frame out of nothing.
    // No sender makes fragments larger than this; bigger ones would only let
    // a stranger make us hold megabytes per party.
    if (header.count == 0 || header.count > kMaxFragments || header.index >= header.count ||
        fragment.size() > kFragmentSize) {
        result.rejected = true;
        return result;
    }
    Slot& slot = slots_[chooseSlot(header.timeStamp)];
    if (slot.timeStamp != header.timeStamp) {
        result.lostIncomplete = slot.incomplete;
        clear(slot);
    } else if (slot.delivered) {
        // A repeated fragment of a frame already handed on: handing it on
        // again would count it as received twice and as a loss.
        return result;
    }
    slot.timeStamp = header.timeStamp;
    slot.sequence = header.sequence;

    Entry& entry = slot.entries[header.index];
    entry.length = 0;
    entry.buffer.assign(fragment.begin(), fragment.end());  // reuses the capacity it has
    entry.length = fragment.size();

    size_t total = 0;
    for (size_t i = 0; i < header.count; ++i) {
        if (slot.entries[i].length == 0) {
            slot.incomplete = true;
            return result;
        }
        total += slot.entries[i].length;
    }
    frame_.reserve(total);
    for (size_t i = 0; i < header.count; ++i) {
        const Entry& e = slot.entries[i];
        frame_.insert(frame_.end(), e.buffer.begin(), e.buffer.begin() + e.length);
    }
    slot.incomplete = false;
    slot.delivered = true;
    result.complete = true;
    result.sequence = slot.sequence;
    result.timeStamp = slot.timeStamp;
    return result;
}

}  // namespace zemra::vid
