// libFuzzer entry point: video datagrams from the network into a party of
// the video engine. Each input gets a fresh VideoPeer whose receive side is
// driven the way its receive thread drives it (handleDatagram with the
// sender's address): classification, reports, reassembly, key and delta
// frames through the real VP8 codec driver, softening, drawing and the
// recording of what arrives.
//
// Input: one byte for the display (bits 0-3 width, 4-6 height, in steps of
// 40 pixels; no display when both are 0) and the recording (bit 7: into an
// AVI file under /dev/shm, made anew), then at most kMaxDatagrams records:
//   byte 0   bits 0-1 the source (the party, the party from a new port,
//            a stranger, the party); bit 2 makes bytes 0-1 and 8-11 a valid
//            header from the party, bit 3 a report rather than data
//   2 bytes  the datagram's length (at most 1100)
//   then     its bytes; where the input ends, zeros.
//
// Key frames of more than kMaxPixels are not handed on: the decoder accepts
// up to 4096 x 4096, but preparing and decoding such a picture takes a third
// of a second here, and it is the same code as for a small one.
//
// Checked: a data header and a report that read write back to the same
// fields; the party never moves to another address, and nothing from a
// stranger counts as a frame or a loss report; losses never exceed
// frames; every picture drawn has all the bytes its header promises; a
// recording reads back as an AVI file.
#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/avi_file.h"
#include "platform/bitmap_info_header.h"
#include "platform/byte_order.h"
#include "platform/icm.h"
#include "platform/winmsg.h"
#include "vidcore/video_engine.h"
#include "vidcore/video_packet.h"
#include "vidcore/video_peer.h"

namespace {

using namespace zemra;
using namespace zemra::vid;

constexpr uint32_t kParty = 2002;
constexpr WindowHandle kWindow = 0x5150;
const uint32_t kPartyAddress = htonl(0x7F000005);
const uint32_t kStranger = htonl(0x7F000009);
constexpr uint16_t kPartyPort = 40000;
constexpr std::size_t kMaxDatagram = 1100;
// Datagrams an input may hold: a few frames' worth.
constexpr std::size_t kMaxDatagrams = 100;
constexpr uint32_t kMaxPixels = 320 * 240;

std::atomic<bool> badPicture{false};

// Reads every byte a drawn picture's header promises.
void onPicture(uintptr_t, int, int, int, int, const uint8_t* headerBytes, const void* bits, void*) {
    const auto header = BitmapInfoHeader::readFrom(std::span(headerBytes, BitmapInfoHeader::kSize));
    if (!header || header->bitCount != 24 || header->width <= 0 || header->height == 0) {
        badPicture = true;
        return;
    }
    const auto* p = static_cast<const uint8_t*>(bits);
    unsigned sum = 0;
    for (uint32_t i = 0; i < header->imageBytes(); ++i) sum += p[i];
    static std::atomic<unsigned> checksum{0};
    checksum += sum;
}

// The codec driver installed once, and kept loaded between inputs by a
// decompressor that stays open; a folder of this process for recordings,
// removed at exit.
struct Setup {
    Setup() : folder("/dev/shm/zemra-video-datagram-fuzz-" + std::to_string(::getpid())) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        icm::install(icm::kTypeVideo, kCodecHandler, ZEMRA_PICODEC_PATH);
        keepLoaded = icm::Codec::open(icm::kTypeVideo, kCodecHandler, icm::kIcModeDecompress);
        zemra_set_picture_sink(onPicture, nullptr);
    }
    ~Setup() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::unique_ptr<icm::Codec> keepLoaded;
    std::filesystem::path folder;
};

sockaddr_in endpoint(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = address;
    a.sin_port = htons(port);
    return a;
}

// True for the first fragment of a key frame larger than kMaxPixels, or one
// too short to tell. Only a first fragment starts a frame message.
bool startsLargeKeyFrame(std::span<const uint8_t> datagram) {
    if (classifyDatagram(datagram, kParty) != DatagramKind::kData) return false;
    const auto header = VideoPacketHeader::readFrom(datagram);
    if (!header || header->index != 0 || datagram.size() <= kVideoHeaderSize) return false;
    const auto message = datagram.subspan(kVideoHeaderSize);
    if (message[0] != kKeyFrameTag) return false;
    const auto prefix = KeyFramePrefix::readFrom(message);
    return !prefix || uint32_t{prefix->width} * prefix->height > kMaxPixels;
}

bool headerRoundTrips(std::span<const uint8_t> datagram) {
    const auto header = VideoPacketHeader::readFrom(datagram);
    if (!header) return datagram.size() < kVideoHeaderSize;
    std::array<uint8_t, kVideoHeaderSize> again{};
    header->writeTo(again.data());
    return std::equal(again.begin() + 2, again.begin() + 14, datagram.begin() + 2);
}

bool reportRoundTrips(std::span<const uint8_t> datagram) {
    const auto report = VideoReport::readFrom(datagram);
    if (!report) return datagram.size() < kVideoReportSize;
    const auto again = VideoReport::readFrom(report->toBytes());
    return again && again->clockMs == report->clockMs && again->senderId == report->senderId &&
           again->framesReceived == report->framesReceived &&
           again->framesLost == report->framesLost &&
           again->lostSinceReport == report->lostSinceReport;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size == 0) return 0;
    const std::span<const uint8_t> input(data, size);
    VideoPeer::Config config;
    config.peerId = kParty;
    config.ownId = 1001;
    config.socket = -1;  // reports and probes have nowhere to go
    config.address = kPartyAddress;
    config.port = kPartyPort;
    config.display = Display{
        kWindow, 0, 0, 40 * (input[0] & 15), 40 * ((input[0] >> 4) & 7), (input[0] & 0x7F) != 0};
    config.codecHandler = kCodecHandler;
    // Every look at the clock is 40 ms after the one before.
    config.clock = [ms = 0u]() mutable { return ms += 40; };
    VideoPeer peer(config);
    const std::filesystem::path recording = setup.folder / "recording.avi";
    const bool recorded = (input[0] & 0x80) != 0;
    if (recorded) {
        std::filesystem::remove(recording);
        if (!peer.recorder().open(recording)) __builtin_trap();
    }

    const sockaddr_in sources[] = {
        endpoint(kPartyAddress, kPartyPort), endpoint(kPartyAddress, kPartyPort + 1),
        endpoint(kStranger, kPartyPort), endpoint(kPartyAddress, kPartyPort)};
    bool ok = true;
    std::size_t at = 1;
    std::vector<uint8_t> datagram;
    for (std::size_t n = 0; n < kMaxDatagrams && at + 3 <= input.size(); ++n) {
        const uint8_t control = input[at];
        const std::size_t length = (input[at + 1] | (input[at + 2] << 8)) % (kMaxDatagram + 1);
        at += 3;
        datagram.assign(length, 0);
        const std::size_t given = std::min(length, input.size() - at);
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at), given, datagram.begin());
        at += given;
        if ((control & 4) && length >= kMinVideoDatagram) {
            datagram[0] = (control & 8) ? kVideoReportByte0 : kVideoDataByte0;
            datagram[1] = kVideoByte1;
            putLe32(&datagram[8], kParty);
        }
        ok &= headerRoundTrips(datagram) && reportRoundTrips(datagram);
        if (startsLargeKeyFrame(datagram)) continue;
        const uint32_t framesBefore = peer.framesReceived();
        const int reportsBefore = peer.lossReports();
        peer.handleDatagram(datagram, sources[control & 3]);
        // A stranger's datagram is dropped unseen, whatever ID it carries.
        if (sources[control & 3].sin_addr.s_addr != kPartyAddress) {
            ok &= peer.framesReceived() == framesBefore && peer.lossReports() == reportsBefore;
        }
        ok &= peer.address().sin_addr.s_addr == kPartyAddress;
        ok &= peer.framesLost() <= peer.framesReceived();
    }
    peer.release();
    if (recorded && std::filesystem::file_size(recording) > 0) {
        ok &= AviFile::open(recording, AviFile::Mode::kRead) != nullptr;
    }
    ok &= !badPicture.load();
    if (!ok) __builtin_trap();
    return 0;
}
