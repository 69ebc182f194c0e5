// The sixteen slots for the parties of a call, under one lock. A party's
// slot number is also its ring in the mixer. The lock covers adding,
// removing and flagging parties and the sending of every packet, so a
// party is never freed while a packet is being sent to it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "sndcore/audio_peer.h"

namespace zemra::snd {

class PeerTable {
  public:
    static constexpr size_t kSlots = 16;

    PeerTable(CodecNameTable& codecNames, PeerSoundSink& sink,
              ThreadStarter starter = defaultThreadStarter());
    ~PeerTable();

    // Puts the party into the first free slot and starts its receive
    // thread. False when no slot is free, the party is already registered,
    // or its thread cannot be started (reported in a message box).
    bool add(const AudioPeer::Params& params);
    // Stops the party's thread, waits for it and empties the slot.
    bool remove(uint32_t peerId);
    void removeAll();
    void setSendMute(uint32_t peerId, int flag);
    void setReceiveMute(uint32_t peerId, int flag);

    // The same datagram to every party, in slot order.
    void sendToAll(const uint8_t* packet, size_t bytes);

    // Slot of a registered party, or -1.
    int slotOf(uint32_t peerId) const;
    bool hasCodec(uint32_t peerId) const;
    sockaddr_in addressOf(uint32_t peerId) const;

  private:
    AudioPeer* find(uint32_t peerId) const;

    CodecNameTable& codecNames_;
    PeerSoundSink& sink_;
    const ThreadStarter starter_;
    mutable std::mutex mutex_;
    std::array<std::unique_ptr<AudioPeer>, kSlots> slots_;
};

}  // namespace zemra::snd
