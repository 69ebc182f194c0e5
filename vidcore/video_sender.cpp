#include "vidcore/video_sender.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

#include "platform/winmsg.h"
#include "vidcore/video_packet.h"

namespace zemra::vid {

namespace {
constexpr auto kBurstPause = std::chrono::milliseconds(2);
constexpr auto kFramePause = std::chrono::milliseconds(1);
constexpr size_t kBurst = 8;
}  // namespace

VideoSender::VideoSender(SendRate& rate, Options options, ThreadStarter startThread)
    : rate_(rate),
      options_(std::move(options)),
      startThread_(std::move(startThread)),
      compressor_(options_.codecHandler),
      ownRecorder_(options_.clock) {}

VideoSender::~VideoSender() {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < kPeerSlots; ++i) {
        if (peers_[i]) removeLocked(i);
    }
    stopLocked("video-compress");
    ownRecorder_.close();
}

void VideoSender::setCaptureFormat(std::optional<BitmapInfoHeader> format) {
    std::lock_guard lock(mutex_);
    captureFormat_ = format;
}

void VideoSender::start(uint32_t ownId) {
    std::lock_guard lock(mutex_);
    ownId_ = ownId;
    sequence_ = static_cast<uint16_t>(std::rand());
    timeStamp_ = 0;
    frameCounter_ = 0;
    sending_ = false;
    if (!captureFormat_) return;
    try {
        if (compressor_.open(*captureFormat_)) {
            sending_ = true;
            beginSequenceLocked();
        }
    } catch (...) {
        sending_ = false;
        try {
            compressor_.close();
        } catch (...) {
        }
    }
}

void VideoSender::stop() {
    std::lock_guard lock(mutex_);
    stopLocked("video compress");
}

void VideoSender::stopLocked(const char* faultText) {
    sending_ = false;
    try {
        compressor_.close();
    } catch (...) {
        showMessageBox(faultText, "erro");
    }
}

bool VideoSender::isSending() const {
    std::lock_guard lock(mutex_);
    return sending_;
}

bool VideoSender::beginSequenceLocked() {
    try {
        return compressor_.beginSequence();
    } catch (...) {
        return false;
    }
}

std::optional<VideoCompressor::Coded> VideoSender::codeLocked(const uint8_t* picture,
                                                              size_t length) {
    try {
        return compressor_.code(picture, length);
    } catch (...) {
        return std::nullopt;  // a fault inside the codec is a frame that failed
    }
}

int VideoSender::offer(const uint8_t* picture, size_t length) {
    std::lock_guard lock(mutex_);
    if (!sending_) return 1;
    if (!rate_.admit(options_.clock())) return 1;
    if (frameCounter_ >= kKeyFrameCycle) frameCounter_ = 0;

    const bool cycleStart = frameCounter_ == 0;
    if (cycleStart) beginSequenceLocked();  // so that the codec starts with a key frame
    const auto coded = codeLocked(picture, length);
    int result = 0;
    if (coded) {
        const bool key = cycleStart || coded->keyFrame;
        bool sent = false;
        ownRecorder_.write(compressor_.outputFormat(), coded->data, key);
        uint8_t* data = coded->data.data();
        if (key) {
            if (!cycleStart) frameCounter_ = 0;
            const BitmapInfoHeader& out = compressor_.outputFormat();
            KeyFramePrefix prefix;
            prefix.width = static_cast<uint16_t>(out.width);
            prefix.height = static_cast<uint16_t>(out.height < 0 ? -out.height : out.height);
            prefix.compression = out.compression;
            prefix.writeTo(data - kKeyFramePrefix);
            sent =
                sendKeyFrameLocked({data - kKeyFramePrefix, coded->data.size() + kKeyFramePrefix});
        } else {
            data[-1] = kDeltaFrameTag;
            sent =
                fragmentLocked({data - kDeltaFramePrefix, coded->data.size() + kDeltaFramePrefix});
        }
        // A frame too large to send leaves the parties without a picture to
        // build on: the next frame starts a new cycle with a key frame.
        if (!sent) frameCounter_ = kKeyFrameCycle - 1;
        result = sent ? 1 : 0;
    }
    ++frameCounter_;
    return result;
}

void VideoSender::sendKeyFrame(std::span<const uint8_t> message) {
    std::lock_guard lock(mutex_);
    sendKeyFrameLocked(message);
}

void VideoSender::sendDeltaFrame(std::span<const uint8_t> message) {
    std::lock_guard lock(mutex_);
    fragmentLocked(message);
}

bool VideoSender::sendKeyFrameLocked(std::span<const uint8_t> message) {
    for (auto& peer : peers_) {
        if (peer) peer->setKeyOnly(false);
    }
    const bool sent = fragmentLocked(message);
    // A party that reported losses in the cycle just ended gets only the
    // key frame of this one, until the next key frame repairs its picture.
    for (auto& peer : peers_) {
        if (peer && peer->takeLossReports() > 0) peer->setKeyOnly(true);
    }
    return sent;
}

bool VideoSender::fragmentLocked(std::span<const uint8_t> message) {
    const size_t count = fragmentCount(message.size());
    if (count == 0) return false;
    ++sequence_;
    timeStamp_ += 5;
    uint8_t datagram[kVideoHeaderSize + kFragmentSize];
    VideoPacketHeader header;
    header.sequence = sequence_;
    header.timeStamp = timeStamp_;
    header.senderId = ownId_;
    header.count = static_cast<uint8_t>(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t offset = i * kFragmentSize;
        const size_t size = std::min(kFragmentSize, message.size() - offset);
        header.index = static_cast<uint8_t>(i);
        header.writeTo(datagram);
        std::memcpy(datagram + kVideoHeaderSize, message.data() + offset, size);
        const std::span<const uint8_t> bytes(datagram, kVideoHeaderSize + size);
        for (auto& peer : peers_) {
            if (peer && !peer->sendMute() && !peer->keyOnly()) peer->send(bytes);
        }
        if (options_.pace && i % kBurst == 0) std::this_thread::sleep_for(kBurstPause);
    }
    if (options_.pace) std::this_thread::sleep_for(kFramePause);
    return true;
}

VideoPeer* VideoSender::findLocked(uint32_t peerId) {
    for (auto& peer : peers_) {
        if (peer && peer->id() == peerId) return peer.get();
    }
    return nullptr;
}

bool VideoSender::addPeer(const VideoPeer::Config& config) {
    std::lock_guard lock(mutex_);
    // Every slot is checked for the ID, not only those before the first free
    // one: a party registered twice would get every datagram twice.
    size_t slot = kPeerSlots;
    for (size_t i = 0; i < kPeerSlots; ++i) {
        if (!peers_[i]) {
            if (slot == kPeerSlots) slot = i;
        } else if (peers_[i]->id() == config.peerId) {
            return false;
        }
    }
    if (slot == kPeerSlots) return false;
    VideoPeer::Config c = config;
    c.ownId = ownId_;
    c.codecHandler = options_.codecHandler;
    c.clock = options_.clock;
    auto peer = std::make_unique<VideoPeer>(std::move(c));
    // Only a party whose thread runs takes the slot: one reported as
    // refused must not linger there, blocking its ID and taking datagrams.
    if (!peer->start(startThread_)) {
        peer->release();
        return false;
    }
    peers_[slot] = std::move(peer);
    return true;
}

void VideoSender::removeLocked(size_t slot) {
    std::unique_ptr<VideoPeer> peer = std::move(peers_[slot]);
    peer->stop();
    peer->release();
}

bool VideoSender::removePeer(uint32_t peerId) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < kPeerSlots; ++i) {
        if (peers_[i] && peers_[i]->id() == peerId) {
            removeLocked(i);
            return true;
        }
    }
    return false;
}

void VideoSender::removeAllPeers() {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < kPeerSlots; ++i) {
        if (peers_[i]) removeLocked(i);
    }
}

void VideoSender::resumePeer(uint32_t peerId) {
    std::lock_guard lock(mutex_);
    if (VideoPeer* peer = findLocked(peerId)) peer->setSendMute(false);
    // At 3 frames per second or more this reaches the end of the key-frame
    // cycle, so the next frame sent is a key frame.
    const uint64_t counter = uint64_t{5} * rate_.framesPerSecond();
    frameCounter_ =
        static_cast<uint32_t>(std::min<uint64_t>(counter, std::numeric_limits<uint32_t>::max()));
}

void VideoSender::mutePeer(uint32_t peerId) {
    std::lock_guard lock(mutex_);
    if (VideoPeer* peer = findLocked(peerId)) peer->setSendMute(true);
}

void VideoSender::setPeerDisplay(uint32_t peerId, const Display& display) {
    std::lock_guard lock(mutex_);
    if (VideoPeer* peer = findLocked(peerId)) peer->setDisplay(display);
}

bool VideoSender::openPeerRecording(const std::filesystem::path& path, uint32_t peerId) {
    std::lock_guard lock(mutex_);
    VideoPeer* peer = findLocked(peerId);
    return peer && peer->recorder().open(path) != nullptr;
}

void VideoSender::closePeerRecording(uint32_t peerId) {
    std::lock_guard lock(mutex_);
    if (VideoPeer* peer = findLocked(peerId)) peer->recorder().close();
}

void* VideoSender::openOwnRecording(const std::filesystem::path& path) {
    std::lock_guard lock(mutex_);
    return ownRecorder_.open(path);
}

void VideoSender::closeOwnRecording() {
    std::lock_guard lock(mutex_);
    ownRecorder_.close();
}

bool VideoSender::withPeer(uint32_t peerId, const std::function<void(VideoPeer&)>& f) {
    std::lock_guard lock(mutex_);
    VideoPeer* peer = findLocked(peerId);
    if (peer) f(*peer);
    return peer != nullptr;
}

uint32_t VideoSender::frameCounter() const {
    std::lock_guard lock(mutex_);
    return frameCounter_;
}

uint16_t VideoSender::sequence() const {
    std::lock_guard lock(mutex_);
    return sequence_;
}

}  // namespace zemra::vid
