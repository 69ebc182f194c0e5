// The flashing of a contact that has just come online: 25 ticks of 300 ms,
// each drawn in the next colour of a five-colour cycle.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

namespace zemra::client {

class OnlineAnimation {
  public:
    static constexpr int kSteps = 25;
    static constexpr int kTickMs = 300;
    // RGB, in cycle order: red, yellow, cyan, green, blue.
    static constexpr uint32_t kColours[5] = {0xFF0000, 0xFFFF00, 0x00FFFF, 0x00FF00, 0x0000FF};

    // (Re)starts the flashing of a contact.
    void start(uint32_t contactId) { counters_[contactId] = kSteps; }
    // One tick: every counter goes down; contacts whose counter went
    // negative stop flashing. True while any contact still flashes.
    bool tick();
    // The colour to draw a contact in now, or nullopt for its normal look.
    std::optional<uint32_t> colourOf(uint32_t contactId) const;
    bool active() const { return !counters_.empty(); }
    void stop(uint32_t contactId) { counters_.erase(contactId); }

  private:
    std::map<uint32_t, int> counters_;
};

}  // namespace zemra::client
