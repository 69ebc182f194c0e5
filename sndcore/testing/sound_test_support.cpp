#include "sound_test_support.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <stdexcept>

#include "platform/library.h"
#include "platform/testing/temp_dir.h"
#include "platform/winmsg.h"
#include "sndcore/testing/engine_instance.h"

namespace zemra::snd::testing {

struct TestCoder::State {
    zemra::testing::TempDir dir;
    std::unique_ptr<Library> library;
    void (*encode)(const int16_t*, uint8_t*) = nullptr;
};

TestCoder::TestCoder() : state_(std::make_unique<State>()) {
    std::filesystem::copy_file(EngineInstance::buildDirectory() / "xms.so",
                               state_->dir / "coder.so");
    std::string error;
    state_->library = Library::open((state_->dir / "coder.so").string(), &error);
    if (!state_->library) throw std::runtime_error(error);
    state_->library->function<void (*)()>("nein00")();
    state_->encode = state_->library->function<void (*)(const int16_t*, uint8_t*)>("nein03");
}

TestCoder::~TestCoder() = default;

std::vector<uint8_t> TestCoder::encode(const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> out(40);
    int16_t samples[320] = {};
    std::memcpy(samples, pcm.data(), std::min<size_t>(pcm.size(), sizeof samples));
    for (int f = 0; f < 4; ++f) state_->encode(samples + 80 * f, out.data() + 10 * f);
    return out;
}

MessageLog::MessageLog() {
    zemra_set_window_message_sink(&MessageLog::onMessage, this);
    zemra_set_message_box_sink(&MessageLog::onBox, this);
}

MessageLog::~MessageLog() {
    zemra_set_window_message_sink(nullptr, nullptr);
    zemra_set_message_box_sink(nullptr, nullptr);
}

void MessageLog::onMessage(uintptr_t w, uint32_t m, uintptr_t wp, intptr_t lp, void* self) {
    auto* log = static_cast<MessageLog*>(self);
    std::lock_guard lock(log->mutex_);
    log->posted_.push_back({w, m, wp, lp});
    log->changed_.notify_all();
}

void MessageLog::onBox(const char* text, const char* caption, void* self) {
    auto* log = static_cast<MessageLog*>(self);
    std::lock_guard lock(log->mutex_);
    log->boxes_.emplace_back(text, caption);
}

std::vector<MessageLog::Posted> MessageLog::posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

std::vector<std::pair<std::string, std::string>> MessageLog::boxes() const {
    std::lock_guard lock(mutex_);
    return boxes_;
}

void MessageLog::clear() {
    std::lock_guard lock(mutex_);
    posted_.clear();
    boxes_.clear();
}

bool MessageLog::waitUntil(const std::function<bool(const std::vector<Posted>&)>& done,
                           std::chrono::milliseconds limit) {
    // The test runs outside the lock, so it may look at the log itself.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done(posted())) return true;
        std::unique_lock lock(mutex_);
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            lock.unlock();
            return done(posted());
        }
    }
}

UdpSocket::UdpSocket(const char* address) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(address);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd_);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    address_ = a.sin_addr.s_addr;
}

UdpSocket::~UdpSocket() {
    ::close(fd_);
}

void UdpSocket::sendTo(const UdpSocket& to, std::span<const uint8_t> bytes) const {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = to.address_;
    a.sin_port = htons(to.port_);
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

std::optional<std::vector<uint8_t>> UdpSocket::receive(std::chrono::milliseconds limit,
                                                       sockaddr_in* from) const {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) return std::nullopt;
    std::vector<uint8_t> buffer(2048);
    sockaddr_in a{};
    socklen_t length = sizeof a;
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&a), &length);
    if (n < 0) return std::nullopt;
    if (from) *from = a;
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

void UdpSocket::drain() const {
    while (receive(std::chrono::milliseconds(0))) {
    }
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

double toneAmplitude(std::span<const int16_t> samples, double hz, double rate) {
    if (samples.empty()) return 0;
    const double w = 2 * std::numbers::pi * hz / rate;
    const double coefficient = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int16_t x : samples) {
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / samples.size();
}

double rootMeanSquare(std::span<const int16_t> samples) {
    if (samples.empty()) return 0;
    double sum = 0;
    for (int16_t x : samples) sum += double(x) * x;
    return std::sqrt(sum / samples.size());
}

double dominantFrequency(std::span<const int16_t> samples, double rate, double stepHz) {
    double best = 0, bestAmplitude = -1;
    for (double hz = stepHz; hz < rate / 2; hz += stepHz) {
        const double a = toneAmplitude(samples, hz, rate);
        if (a > bestAmplitude) {
            bestAmplitude = a;
            best = hz;
        }
    }
    return best;
}

std::vector<uint8_t> sinePcm(size_t samples, double hz, double amplitude, double rate,
                             size_t startSample) {
    std::vector<uint8_t> bytes(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<int16_t>(std::lround(
            amplitude * std::sin(2 * std::numbers::pi * hz * (startSample + i) / rate)));
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    return bytes;
}

std::vector<size_t> burstOnsets(std::span<const int16_t> samples, int16_t threshold, size_t gap) {
    std::vector<size_t> out;
    size_t quiet = gap;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) >= threshold) {
            if (quiet >= gap) out.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return out;
}

}  // namespace zemra::snd::testing
