#include "wave.h"

#include <chrono>

#include "platform/wave_backends.h"

namespace zemra {

WaveDeviceCore::WaveDeviceCore(WaveDirection direction, std::string name, const WaveFormat& format,
                               std::unique_ptr<WaveStream> stream, WaveDevice::Callback callback)
    : direction_(direction),
      name_(std::move(name)),
      periodBytes_(std::max<size_t>(format.blockAlign, format.avgBytesPerSec / 25)),
      stream_(std::move(stream)),
      callback_(std::move(callback)) {
    thread_ = std::thread([this] { run(); });
}

WaveDeviceCore::~WaveDeviceCore() {
    close();
}

bool WaveDeviceCore::prepare(WaveBuffer& buffer) {
    if (!buffer.data || buffer.bufferLength == 0) return false;
    std::lock_guard lock(mutex_);
    buffer.flags.fetch_or(WaveBuffer::kPrepared);
    return true;
}

bool WaveDeviceCore::unprepare(WaveBuffer& buffer) {
    std::lock_guard lock(mutex_);
    if (buffer.flags.load() & WaveBuffer::kInQueue) return false;
    buffer.flags.fetch_and(~WaveBuffer::kPrepared);
    return true;
}

bool WaveDeviceCore::add(WaveBuffer& buffer) {
    std::lock_guard lock(mutex_);
    const uint32_t flags = buffer.flags.load();
    if (closing_ || !(flags & WaveBuffer::kPrepared) || (flags & WaveBuffer::kInQueue)) {
        return false;
    }
    buffer.flags.store((flags & ~WaveBuffer::kDone) | WaveBuffer::kInQueue);
    if (direction_ == WaveDirection::kInput) buffer.bytesRecorded = 0;
    queue_.push_back(&buffer);
    wake_.notify_all();
    return true;
}

void WaveDeviceCore::reset() {
    std::lock_guard lock(mutex_);
    for (WaveBuffer* b : queue_) {
        b->flags.store((b->flags.load() & ~WaveBuffer::kInQueue) | WaveBuffer::kDone);
    }
    queue_.clear();
    ++generation_;
    // Reset stops a recording; a player stays ready for the next buffer.
    if (direction_ == WaveDirection::kInput) running_ = false;
    wake_.notify_all();
}

void WaveDeviceCore::setRunning(bool running) {
    std::lock_guard lock(mutex_);
    running_ = running;
    wake_.notify_all();
}

void WaveDeviceCore::close() {
    {
        std::lock_guard lock(mutex_);
        if (closing_ && !thread_.joinable()) return;
        closing_ = true;
        wake_.notify_all();
    }
    stream_->interrupt();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    for (WaveBuffer* b : queue_) {
        b->flags.store((b->flags.load() & ~WaveBuffer::kInQueue) | WaveBuffer::kDone);
    }
    queue_.clear();
}

void WaveDeviceCore::run() {
    std::vector<uint8_t> scratch(periodBytes_);
    bool active = false;
    std::unique_lock lock(mutex_);
    while (!closing_) {
        if (!running_) {
            if (active) {
                lock.unlock();
                stream_->halt();
                lock.lock();
                active = false;
            }
            wake_.wait(lock, [&] { return running_ || closing_; });
            continue;
        }
        if (!active) {
            lock.unlock();
            stream_->begin();
            lock.lock();
            active = true;
            continue;
        }
        WaveBuffer* buffer = queue_.empty() ? nullptr : queue_.front();
        const uint64_t generation = generation_;
        lock.unlock();
        bool ok;
        if (buffer) {
            ok = stream_->transfer(buffer->data, buffer->bufferLength);
        } else {
            // Nothing queued: the card goes on regardless (input is lost, output is silence).
            std::fill(scratch.begin(), scratch.end(), 0);
            ok = stream_->transfer(scratch.data(), scratch.size());
        }
        lock.lock();
        if (!ok) {
            // A faulty device: retry at the buffer's pace instead of spinning.
            wake_.wait_for(lock, std::chrono::milliseconds(40), [&] { return closing_; });
            continue;
        }
        if (!buffer || generation != generation_ || queue_.empty() || queue_.front() != buffer) {
            continue;
        }
        queue_.pop_front();
        if (direction_ == WaveDirection::kInput) buffer->bytesRecorded = buffer->bufferLength;
        buffer->flags.store((buffer->flags.load() & ~WaveBuffer::kInQueue) | WaveBuffer::kDone);
        lock.unlock();
        callback_(*buffer);
        lock.lock();
    }
    if (active) {
        lock.unlock();
        stream_->halt();
    }
}

WaveDevice::WaveDevice(std::unique_ptr<WaveDeviceCore> core) : core_(std::move(core)) {}
WaveDevice::~WaveDevice() = default;

bool WaveDevice::prepare(WaveBuffer& buffer) {
    return core_->prepare(buffer);
}
bool WaveDevice::unprepare(WaveBuffer& buffer) {
    return core_->unprepare(buffer);
}
bool WaveDevice::add(WaveBuffer& buffer) {
    return core_->add(buffer);
}
void WaveDevice::reset() {
    core_->reset();
}
void WaveDevice::close() {
    core_->close();
}

void WaveDevice::shutdown(std::span<WaveBuffer> buffers) {
    reset();
    close();
    for (WaveBuffer& buffer : buffers) unprepare(buffer);
}
const std::string& WaveDevice::name() const {
    return core_->name();
}

namespace {

std::vector<WaveDeviceInfo> devices(WaveDirection direction) {
    if (auto setting = virtualDeviceSetting(direction)) {
        return {{*setting, virtualDeviceName(direction, *setting)}};
    }
    return alsaDevices(direction);
}

std::unique_ptr<WaveDeviceCore> openCore(WaveDirection direction, unsigned device,
                                         const WaveFormat& format, WaveDevice::Callback callback,
                                         std::string* error) {
    if (!format.isPcm16()) {
        if (error) *error = "only 16-bit PCM is supported";
        return nullptr;
    }
    if (!callback) {
        if (error) *error = "no callback";
        return nullptr;
    }
    const bool isVirtual = virtualDeviceSetting(direction).has_value();
    const auto list = devices(direction);
    if (device >= list.size()) {
        if (error) *error = "no such device";
        return nullptr;
    }
    const WaveDeviceInfo& info = list[device];
    auto stream = isVirtual ? openVirtualStream(direction, info.id, format, error)
                            : openAlsaStream(direction, info.id, format, error);
    if (!stream) return nullptr;
    return std::make_unique<WaveDeviceCore>(direction, info.description, format, std::move(stream),
                                            std::move(callback));
}

std::string nameOf(WaveDirection direction, unsigned device) {
    const auto list = devices(direction);
    return device < list.size() ? list[device].description : std::string();
}

}  // namespace

unsigned WaveIn::deviceCount() {
    return static_cast<unsigned>(devices(WaveDirection::kInput).size());
}

std::string WaveIn::deviceName(unsigned device) {
    return nameOf(WaveDirection::kInput, device);
}

std::unique_ptr<WaveIn> WaveIn::open(unsigned device, const WaveFormat& format, Callback callback,
                                     std::string* error) {
    auto core = openCore(WaveDirection::kInput, device, format, std::move(callback), error);
    if (!core) return nullptr;
    return std::unique_ptr<WaveIn>(new WaveIn(std::move(core)));
}

bool WaveIn::start() {
    core_->setRunning(true);
    return true;
}

bool WaveIn::stop() {
    core_->setRunning(false);
    return true;
}

unsigned WaveOut::deviceCount() {
    return static_cast<unsigned>(devices(WaveDirection::kOutput).size());
}

std::string WaveOut::deviceName(unsigned device) {
    return nameOf(WaveDirection::kOutput, device);
}

std::unique_ptr<WaveOut> WaveOut::open(unsigned device, const WaveFormat& format, Callback callback,
                                       std::string* error) {
    auto core = openCore(WaveDirection::kOutput, device, format, std::move(callback), error);
    if (!core) return nullptr;
    core->setRunning(true);
    return std::unique_ptr<WaveOut>(new WaveOut(std::move(core)));
}

bool WaveOut::pause() {
    core_->setRunning(false);
    return true;
}

bool WaveOut::restart() {
    core_->setRunning(true);
    return true;
}

}  // namespace zemra
