// A party's packets waiting to be decoded, taken out earliest time stamp
// first. The receive loop keeps it at two packets (three for a moment), so
// a late packet is still played in order and a lost one costs no waiting.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zemra::snd {

struct JitterPacket {
    std::vector<uint8_t> payload;
    uint32_t timestamp = 0;
};

class JitterList {
  public:
    // Packets held beyond this number are played at once.
    static constexpr size_t kDepth = 2;

    void push(JitterPacket packet) { packets_.push_back(std::move(packet)); }
    // The packet with the smallest time stamp (the first queued among equals).
    std::optional<JitterPacket> takeEarliest();
    size_t size() const { return packets_.size(); }
    bool empty() const { return packets_.empty(); }
    void clear() { packets_.clear(); }

  private:
    std::vector<JitterPacket> packets_;  // in arrival order
};

}  // namespace zemra::snd
