// libFuzzer entry point: audio datagrams arriving at a party's socket. A
// PeerTable holds one party, with the speech codec loaded and its receive
// thread running; the input becomes datagrams sent over loopback to the
// party's socket, from the party's address, from the party behind a NAT
// that moved its port, or from a stranger. The receive thread reads,
// checks, orders and decodes them exactly as in a call. No sound device is
// involved: decoded sound goes to a sink that checks it. The party lives
// through the whole run, since a new one costs a codec load and a thread
// that takes up to 42 ms to stop; what an input leaves behind is its port
// (moved again at the end of every input), the codec's state and at most
// two packets waiting to be played.
//
// The input is a sequence of at most kMaxDatagrams records:
//   byte 0   bits 0-1 the sender (party, party's new port, stranger, party);
//            bit 2 makes bytes 0-1 and 8-11 a valid header from the party;
//            bits 3-4 the size: the next byte, a header and four frames,
//            a header alone, or 1000 + 4 x the next byte (past the limit)
//   then     the datagram's bytes; where the input ends, zeros.
// After the datagrams a header-only datagram from another port of the
// party's address follows; once the table reports that port, the thread has
// handled everything before it.
//
// Checked: a header that reads writes back to the same fields; every piece
// of decoded sound is one whole buffer for the party's slot; no datagram
// moves the party to another address; an input never makes more sound than
// the datagrams with sound the party itself sent in it, plus the two the
// party may still hold from before (nothing from a stranger, nothing
// played twice).
#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <thread>
#include <vector>

#include "sndcore/audio_packet.h"
#include "sndcore/jitter_list.h"
#include "sndcore/peer_table.h"
#include "sndcore/sound_format.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"

namespace {

using namespace zemra::snd;
using zemra::snd::testing::UdpSocket;

constexpr uint32_t kParty = 4242;
constexpr std::size_t kMaxDatagrams = 32;

// Where the mixer would get the party's sound.
class CheckingSink : public PeerSoundSink {
  public:
    void writePeer(int slot, const uint8_t* pcm, size_t bytes) override {
        // Every byte is read, so that a short buffer shows as an overrun.
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i) sum += pcm[i];
        checksum_.fetch_add(sum, std::memory_order_relaxed);
        if (bytes != kBufferBytes || slot != expectedSlot.load()) bad.store(true);
        writes.fetch_add(1);
    }
    void clearPeer(int) override {}

    std::atomic<int> expectedSlot{-1};
    std::atomic<bool> bad{false};
    std::atomic<uint64_t> writes{0};

  private:
    std::atomic<unsigned> checksum_{0};
};

struct Call {
    Call() {
        AudioPeer::Params params;
        params.peerId = kParty;
        params.address = party.address();
        params.port = party.port();
        params.socket = own.fd();
        params.window = 1;
        if (!table.add(params) || !table.hasCodec(kParty)) {
            std::fprintf(stderr, "audio_datagram_fuzz: no party with a codec (codecs in %s?)\n",
                         testing::EngineInstance::buildDirectory().c_str());
            std::abort();
        }
        sink.expectedSlot = table.slotOf(kParty);
    }

    CodecNameTable names{testing::EngineInstance::buildDirectory()};
    CheckingSink sink;
    UdpSocket own{"127.0.0.1"};
    UdpSocket party{"127.0.0.2"};
    UdpSocket partyMoved{"127.0.0.2"};
    UdpSocket stranger{"127.0.0.3"};
    std::array<UdpSocket, 2> marks{UdpSocket{"127.0.0.2"}, UdpSocket{"127.0.0.2"}};
    PeerTable table{names, sink};
    unsigned inputs = 0;
};

std::vector<uint8_t> headerOnly(uint32_t source) {
    std::vector<uint8_t> d(kAudioHeaderBytes);
    writeAudioHeader({1, 0, source}, std::span<uint8_t, kAudioHeaderBytes>(d.data(), d.size()));
    return d;
}

// A header that reads must describe the bytes it was read from.
bool headerRoundTrips(std::span<const uint8_t> datagram) {
    const auto header = readAudioHeader(datagram);
    if (!header) return true;
    std::array<uint8_t, kAudioHeaderBytes> again{};
    writeAudioHeader(*header, again);
    const auto reread = readAudioHeader(again);
    return reread && reread->sequence == header->sequence &&
           reread->timestamp == header->timestamp && reread->sourceId == header->sourceId &&
           std::equal(again.begin() + 2, again.end(), datagram.begin() + 2);
}

// Waits until the receive thread has handled everything sent so far.
void settle(Call& call) {
    const UdpSocket& mark = call.marks[call.inputs++ % 2];
    const auto datagram = headerOnly(kParty);
    const auto start = std::chrono::steady_clock::now();
    auto lastSend = start - std::chrono::seconds(1);
    while (ntohs(call.table.addressOf(kParty).sin_port) != mark.port()) {
        const auto now = std::chrono::steady_clock::now();
        // Loopback may drop a datagram when the socket's queue is full: ask again.
        if (now - lastSend > std::chrono::milliseconds(200)) {
            mark.sendTo(call.own, datagram);
            lastSend = now;
        }
        // The receive thread has stopped taking datagrams.
        if (now - start > std::chrono::seconds(10)) __builtin_trap();
        std::this_thread::yield();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Call call;
    const std::span<const uint8_t> input(data, size);
    const uint64_t writesBefore = call.sink.writes.load();
    // Datagrams the party sent that carry sound and fit the receive buffer.
    uint64_t partySound = 0;
    bool ok = true;
    std::size_t at = 0;
    std::vector<uint8_t> datagram;
    for (std::size_t n = 0; n < kMaxDatagrams && at < input.size(); ++n) {
        const uint8_t control = input[at++];
        const uint8_t next = at < input.size() ? input[at] : 0;
        std::size_t length = 0;
        switch ((control >> 3) & 3) {
            case 0:
                length = next;
                ++at;
                break;
            case 1:
                length = kAudioPacketBytes;
                break;
            case 2:
                length = kAudioHeaderBytes;
                break;
            default:
                length = 1000 + 4 * std::size_t{next};
                ++at;
                break;
        }
        datagram.assign(length, 0);
        const std::size_t given = at < input.size() ? std::min(length, input.size() - at) : 0;
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at), given, datagram.begin());
        at += given;
        if ((control & 4) && length >= kAudioHeaderBytes) {
            const auto header = headerOnly(kParty);
            datagram[0] = header[0];
            datagram[1] = header[1];
            std::copy(header.begin() + 8, header.end(), datagram.begin() + 8);
        }
        ok &= headerRoundTrips(datagram);
        const UdpSocket* sender[] = {&call.party, &call.partyMoved, &call.stranger, &call.party};
        const UdpSocket& from = *sender[control & 3];
        const auto header = readAudioHeader(datagram);
        if (from.address() == call.party.address() && header && header->sourceId == kParty &&
            length > kAudioHeaderBytes && length <= kMaxDatagramBytes) {
            ++partySound;
        }
        from.sendTo(call.own, datagram);
    }
    settle(call);
    ok &= !call.sink.bad.load();
    ok &= call.sink.writes.load() - writesBefore <= partySound + JitterList::kDepth;
    ok &= call.table.addressOf(kParty).sin_addr.s_addr == call.party.address();
    if (!ok) __builtin_trap();
    return 0;
}
