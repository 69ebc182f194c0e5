#include "audio_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include "sndcore/audio_packet.h"

namespace zemra::snd {

ThreadStarter defaultThreadStarter() {
    return [](std::function<void()> body) { return std::thread(std::move(body)); };
}

AudioPeer::AudioPeer(const Params& params, CodecNameTable& codecNames, PeerSoundSink& sink)
    : peerId_(params.peerId),
      socket_(params.socket),
      window_(params.window),
      slot_(params.slot),
      codec_(codecNames),
      sink_(sink),
      address_(params.address, params.port) {}

AudioPeer::~AudioPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool AudioPeer::start(const ThreadStarter& starter) {
    try {
        thread_ = starter([this] { receiveLoop(); });
        return thread_.joinable();
    } catch (const std::exception&) {
        return false;
    }
}

sockaddr_in AudioPeer::address() const {
    return address_.current();
}

void AudioPeer::send(const uint8_t* packet, size_t bytes) const {
    const size_t n = sendMute_ ? std::min(bytes, kAudioHeaderBytes) : bytes;
    const sockaddr_in to = address();
    // Losses are the network's business; nothing is retried.
    (void)::sendto(socket_, packet, n, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to);
}

void AudioPeer::receiveLoop() {
    uint8_t buffer[kMaxDatagramBytes];
    for (;;) {
        Wait wait;
        size_t length = 0;
        sockaddr_in from{};
        try {
            wait = waitAndRead(buffer, length, from);
        } catch (...) {
            showMessageBox("语音读取线程出现非法操作，将退出", "语音");
            return;
        }
        if (stop_) return;
        try {
            if (wait == Wait::kTimeout) {
                handleTimeout();
            } else if (wait == Wait::kDatagram && length > 0) {
                handleDatagram(buffer, length, from);
            }
        } catch (...) {
            // One bad packet must not end the party's sound.
        }
    }
}

AudioPeer::Wait AudioPeer::waitAndRead(uint8_t* buffer, size_t& length, sockaddr_in& from) const {
    pollfd fd{socket_, POLLIN, 0};
    const int ready = ::poll(&fd, 1, kWaitMilliseconds);
    if (ready < 0) {
        if (errno == EFAULT || errno == EINVAL) return Wait::kTimeout;
        return Wait::kNothing;
    }
    if (ready == 0) return Wait::kTimeout;
    if (fd.revents & POLLNVAL) {
        // A socket that is not (or no longer) open: wait out the period
        // instead of spinning, so that the stop flag is still seen in time.
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMilliseconds));
        return Wait::kNothing;
    }
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC reports a datagram's real size, so one too large for us is dropped whole.
    const ssize_t n = ::recvfrom(socket_, buffer, kMaxDatagramBytes, MSG_TRUNC | MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS ||
            errno == EMSGSIZE) {
            return Wait::kTimeout;
        }
        return Wait::kNothing;
    }
    if (static_cast<size_t>(n) > kMaxDatagramBytes) return Wait::kTimeout;
    if (fromLength < sizeof from || from.sin_family != AF_INET) return Wait::kNothing;
    length = static_cast<size_t>(n);
    return Wait::kDatagram;
}

void AudioPeer::handleDatagram(const uint8_t* datagram, size_t length, const sockaddr_in& from) {
    const auto header = readAudioHeader(std::span(datagram, length));
    if (!header || header->sourceId != peerId_) return;
    // Anyone may know the party's ID; only its own address is heard, and
    // only the port may move (a NAT in front of it rebinding).
    if (!address_.follow(from)) return;
    if (receiveMute_ || length == kAudioHeaderBytes) return;
    jitter_.push(
        {std::vector<uint8_t>(datagram + kAudioHeaderBytes, datagram + length), header->timestamp});
    if (jitter_.size() > JitterList::kDepth) playOne();
}

void AudioPeer::handleTimeout() {
    if (!jitter_.empty()) {
        playOne();
        return;
    }
    postWindowMessage(window_, kWmAudioLevel, 0, static_cast<intptr_t>(peerId_));
}

void AudioPeer::playOne() {
    auto packet = jitter_.takeEarliest();
    if (!packet) return;
    const auto pcm = codec_.decode(packet->payload.data(), packet->payload.size());
    if (!pcm) return;
    postWindowMessage(window_, kWmAudioLevel, meanAbsoluteLevel(pcm->data(), pcm->size()),
                      static_cast<intptr_t>(peerId_));
    sink_.writePeer(slot_, pcm->data(), pcm->size());
}

}  // namespace zemra::snd
