// libFuzzer entry point: a sequence of fragments into one FrameAssembler.
//
// Each record of the input (at most kMaxRecords) is one fragment:
//   byte 0   the fragment count of its frame, as the header carries it
//   byte 1   its index
//   byte 2   the time stamp: the low three bits, so that frames collide
//            and interleave, or with bit 7 set the next four bytes
//   byte 3   the sequence number
//   2 bytes  the fragment's length (up to a little past the largest allowed)
// The fragment's bytes are made up from the record's position, which keeps
// inputs short while every fragment differs from every other.
//
// Checked for every fragment: a malformed one is rejected; a whole frame
// is exactly the latest fragments given for its time stamp, indices 0 to
// count - 1 in order, and carries the time stamp and sequence number of the
// fragment that completed it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "platform/fuzz/fuzz_input.h"

#include "vidcore/frame_assembler.h"
#include "vidcore/video_packet.h"

namespace {

using namespace zemra::vid;

// Fragments an input may hold: enough for several whole frames of the
// largest kind, few enough that every input stays quick.
constexpr unsigned kMaxRecords = 400;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FrameAssembler assembler;
    // The latest fragment given for each (time stamp, index).
    std::map<std::pair<uint32_t, uint8_t>, std::vector<uint8_t>> latest;
    zemra::fuzz::FuzzInput in(std::span(data, size));
    bool ok = true;
    for (unsigned record = 0; record < kMaxRecords && !in.done(); ++record) {
        VideoPacketHeader header;
        header.count = in.u8();
        header.index = in.u8();
        const uint8_t stamp = in.u8();
        header.timeStamp = (stamp & 0x80) ? in.u32() : stamp & 7u;
        header.sequence = in.u8();
        const std::size_t length = in.u16() % (kFragmentSize + 50);
        std::vector<uint8_t> fragment(length);
        for (std::size_t i = 0; i < length; ++i) {
            fragment[i] = static_cast<uint8_t>(record * 131 + i * 7 + (i >> 8));
        }

        const FrameAssembler::Result result = assembler.add(header, fragment);
        const bool malformed = header.count == 0 || header.count > kMaxFragments ||
                               header.index >= header.count || length > kFragmentSize;
        ok &= result.rejected == malformed;
        ok &= !(result.rejected && (result.complete || result.lostIncomplete));
        if (result.rejected) continue;
        latest[{header.timeStamp, header.index}] = fragment;
        if (!result.complete) {
            ok &= assembler.frame().empty();
            continue;
        }
        ok &= result.timeStamp == header.timeStamp && result.sequence == header.sequence;
        std::vector<uint8_t> expected;
        for (uint8_t i = 0; i < header.count; ++i) {
            const auto it = latest.find({header.timeStamp, i});
            if (it == latest.end() || it->second.empty()) {
                ok = false;
                break;
            }
            expected.insert(expected.end(), it->second.begin(), it->second.end());
        }
        const auto frame = assembler.frame();
        ok &= std::equal(frame.begin(), frame.end(), expected.begin(), expected.end());
    }
    if (!ok) __builtin_trap();
    return 0;
}
