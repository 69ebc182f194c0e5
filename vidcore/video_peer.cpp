#include "vidcore/video_peer.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <new>
#include <vector>

#include "vidcore/soften.h"
#include "vidcore/video_packet.h"

namespace zemra::vid {

ThreadStarter defaultThreadStarter() {
    return [](std::function<void()> body) { return std::thread(std::move(body)); };
}

VideoPeer::VideoPeer(Config config)
    : config_(std::move(config)),
      address_(config_.address, config_.port),
      decoder_(config_.codecHandler),
      recorder_(config_.clock),
      display_(config_.display) {}

VideoPeer::~VideoPeer() {
    stop();
}

bool VideoPeer::start(const ThreadStarter& starter) {
    if (thread_.joinable()) return true;
    stop_ = false;
    try {
        thread_ = starter([this] { receiveLoop(); });
    } catch (const std::exception&) {
        return false;
    }
    return thread_.joinable();
}

void VideoPeer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void VideoPeer::release() {
    recorder_.close();
    try {
        decoder_.close();
    } catch (...) {
        showMessageBox("error", "video");
    }
}

sockaddr_in VideoPeer::address() const {
    return address_.current();
}

void VideoPeer::send(std::span<const uint8_t> datagram) const {
    const sockaddr_in to = address();
    // Errors are the network's business; the next frame is tried anyway.
    ::sendto(config_.socket, datagram.data(), datagram.size(), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void VideoPeer::setDisplay(const Display& display) {
    std::lock_guard lock(displayMutex_);
    display_ = display;
}

void VideoPeer::receiveLoop() {
    std::vector<uint8_t> buffer(65536);
    while (true) {
        pollfd p{config_.socket, POLLIN, 0};
        const int ready = ::poll(&p, 1, kWaitMs);
        if (stop_) return;
        if (ready == 0) {
            handleTimeout();
            continue;
        }
        if (ready < 0 || (p.revents & POLLNVAL)) {
            // A socket that cannot be waited on must not make this a busy loop.
            if (ready < 0 && (errno == EINTR || errno == EFAULT || errno == EINVAL)) {
                handleTimeout();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
            }
            continue;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(config_.socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (stop_) return;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK || errno == EMSGSIZE) {
                handleTimeout();
            }
            continue;
        }
        if (from.sin_family != AF_INET) continue;
        handleDatagram(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), from);
    }
}

void VideoPeer::handleTimeout() {
    if (!receivedAny_) sendReport(true);
}

void VideoPeer::sendReport(bool probe) {
    VideoReport report;
    report.clockMs = config_.clock();
    report.senderId = config_.ownId;
    if (!probe) {
        report.framesReceived = framesReceived_.load();
        report.framesLost = framesLost_.load();
        report.lostSinceReport = lostSinceReport_;
        lostSinceReport_ = 0;
    }
    const auto bytes = report.toBytes();
    send(bytes);
}

void VideoPeer::handleDatagram(std::span<const uint8_t> datagram, const sockaddr_in& from) {
    const DatagramKind kind = classifyDatagram(datagram, config_.peerId);
    if (kind == DatagramKind::kIgnored) return;
    // Only the party's own address speaks for it: anything else carrying
    // its ID is dropped unseen and unanswered.
    if (!address_.follow(from)) return;
    receivedAny_ = true;
    if (kind == DatagramKind::kControl) {
        const auto report = VideoReport::readFrom(datagram);
        if (report && report->lostSinceReport != 0) ++lossReports_;
        return;
    }
    handleData(datagram);
}

void VideoPeer::handleData(std::span<const uint8_t> datagram) {
    if (datagram.size() <= kVideoHeaderSize) return;
    const auto header = VideoPacketHeader::readFrom(datagram);
    if (!header) return;
    WindowHandle window;
    {
        std::lock_guard lock(displayMutex_);
        window = display_.window;
    }
    if (window) postWindowMessage(window, kWmVideoPacket, 0, 0);

    FrameAssembler::Result result;
    try {
        result = assembler_.add(*header, datagram.subspan(kVideoHeaderSize));
    } catch (const std::bad_alloc&) {
        showMessageBox("Memory alloc risk", "Memory error");
        return;
    } catch (...) {
        showMessageBox("Video pack risk", "Video error");
        return;
    }
    if (result.lostIncomplete) redraw();
    if (!result.complete) return;

    framesReceived_.fetch_add(1, std::memory_order_relaxed);
    // A gap of several frames counts as one loss; the frame after one with
    // sequence number 0 is not checked, as 0 stands for "none yet".
    if (lastSequence_ != 0 && result.sequence != static_cast<uint16_t>(lastSequence_ + 1)) {
        referenceValid_ = false;
        framesLost_.fetch_add(1, std::memory_order_relaxed);
        ++lostSinceReport_;
    }
    lastSequence_ = result.sequence;
    decodeFrame(assembler_.frame());
}

void VideoPeer::decodeFrame(std::span<const uint8_t> message) {
    if (message.empty()) return;
    if (message[0] == kKeyFrameTag) {
        decodeKeyFrame(message);
    } else if (message[0] == kDeltaFrameTag) {
        decodeDeltaFrame(message);
    }
}

void VideoPeer::decodeKeyFrame(std::span<const uint8_t> message) {
    const auto prefix = KeyFramePrefix::readFrom(message);
    if (!prefix) return;
    BitmapInfoHeader input;
    input.width = prefix->width;
    input.height = prefix->height;
    input.planes = 1;
    input.bitCount = 24;
    input.compression = prefix->compression;
    input.sizeImage = uint32_t{prefix->width} * prefix->height * 3;

    const auto coded = message.subspan(kKeyFramePrefix);
    try {
        if (!decoder_.prepare(input)) return;
    } catch (...) {
        return;  // no decompressor: the frame is dropped
    }
    bool decoded = false;
    try {
        decoded = decoder_.decode(coded);
    } catch (...) {
        // A fault inside the codec is a frame that failed to decode.
        decoded = false;
    }
    if (recorder_.isOpen()) recorder_.write(decoder_.inputFormat(), coded, true);
    if (!decoded || !decoder_.hasPicture()) return;
    showPicture();
}

void VideoPeer::decodeDeltaFrame(std::span<const uint8_t> message) {
    if (!referenceValid_) {
        redraw();
        sendReport(false);
        return;
    }
    const auto coded = message.subspan(kDeltaFramePrefix);
    bool decoded = false;
    try {
        decoded = decoder_.decode(coded);
    } catch (...) {
        decoded = false;
    }
    if (recorder_.isOpen() && decoder_.isBegun()) {
        recorder_.write(decoder_.inputFormat(), coded, false);
    }
    if (!decoded || !decoder_.hasPicture()) return;
    showPicture();
}

void VideoPeer::showPicture() {
    Display display;
    {
        std::lock_guard lock(displayMutex_);
        display = display_;
    }
    const BitmapInfoHeader& format = decoder_.outputFormat();
    const int height = format.height < 0 ? -format.height : format.height;
    if (needsSoftening(format.width, height, display.width, display.height)) {
        soften(decoder_.picture().data(), format.width, height);
    }
    referenceValid_ = true;
    redraw();
}

void VideoPeer::redraw() {
    if (!decoder_.hasPicture()) return;
    std::lock_guard lock(displayMutex_);
    if (!display_.show) return;
    drawPicture(display_.window, display_.x, display_.y, display_.width, display_.height,
                decoder_.outputFormat(), decoder_.picture().data());
}

}  // namespace zemra::vid
