#include "peer_table.h"

namespace zemra::snd {

PeerTable::PeerTable(CodecNameTable& codecNames, PeerSoundSink& sink, ThreadStarter starter)
    : codecNames_(codecNames), sink_(sink), starter_(std::move(starter)) {}

PeerTable::~PeerTable() {
    removeAll();
}

bool PeerTable::add(const AudioPeer::Params& params) {
    std::lock_guard lock(mutex_);
    int free = -1;
    for (size_t i = 0; i < kSlots; ++i) {
        // Every slot is checked for the party: two receive threads on one
        // socket would split its packets between them.
        if (slots_[i] && slots_[i]->peerId() == params.peerId) return false;
        if (!slots_[i] && free < 0) free = static_cast<int>(i);
    }
    if (free < 0) return false;
    AudioPeer::Params p = params;
    p.slot = free;
    sink_.clearPeer(free);
    auto peer = std::make_unique<AudioPeer>(p, codecNames_, sink_);
    if (!peer->start(starter_)) {
        showMessageBox("程序线程启动出错", " 声音模块");
        return false;
    }
    slots_[free] = std::move(peer);
    return true;
}

bool PeerTable::remove(uint32_t peerId) {
    std::lock_guard lock(mutex_);
    for (auto& slot : slots_) {
        if (slot && slot->peerId() == peerId) {
            slot.reset();
            return true;
        }
    }
    return false;
}

void PeerTable::removeAll() {
    std::lock_guard lock(mutex_);
    for (auto& slot : slots_) slot.reset();
}

void PeerTable::setSendMute(uint32_t peerId, int flag) {
    std::lock_guard lock(mutex_);
    if (AudioPeer* peer = find(peerId)) peer->setSendMute(flag);
}

void PeerTable::setReceiveMute(uint32_t peerId, int flag) {
    std::lock_guard lock(mutex_);
    if (AudioPeer* peer = find(peerId)) peer->setReceiveMute(flag);
}

void PeerTable::sendToAll(const uint8_t* packet, size_t bytes) {
    std::lock_guard lock(mutex_);
    for (const auto& slot : slots_) {
        if (slot) slot->send(packet, bytes);
    }
}

int PeerTable::slotOf(uint32_t peerId) const {
    std::lock_guard lock(mutex_);
    const AudioPeer* peer = find(peerId);
    return peer ? peer->slot() : -1;
}

bool PeerTable::hasCodec(uint32_t peerId) const {
    std::lock_guard lock(mutex_);
    const AudioPeer* peer = find(peerId);
    return peer && peer->hasCodec();
}

sockaddr_in PeerTable::addressOf(uint32_t peerId) const {
    std::lock_guard lock(mutex_);
    const AudioPeer* peer = find(peerId);
    return peer ? peer->address() : sockaddr_in{};
}

AudioPeer* PeerTable::find(uint32_t peerId) const {
    for (const auto& slot : slots_) {
        if (slot && slot->peerId() == peerId) return slot.get();
    }
    return nullptr;
}

}  // namespace zemra::snd
