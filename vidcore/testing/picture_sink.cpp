#include "vidcore/testing/picture_sink.h"

#include <cstring>

#include "platform/process_clock.h"
#include "platform/winmsg.h"

namespace zemra::vid::testing {

PictureSink::PictureSink() {
    zemra_set_window_message_sink(&PictureSink::onMessage, this);
    zemra_set_picture_sink(&PictureSink::onPicture, this);
    zemra_set_message_box_sink(&PictureSink::onMessageBox, this);
}

PictureSink::~PictureSink() {
    zemra_set_window_message_sink(nullptr, nullptr);
    zemra_set_picture_sink(nullptr, nullptr);
    zemra_set_message_box_sink(nullptr, nullptr);
}

void PictureSink::onMessage(uintptr_t window, uint32_t message, uintptr_t, intptr_t, void* self) {
    auto* sink = static_cast<PictureSink*>(self);
    {
        std::lock_guard lock(sink->mutex_);
        ++sink->messages_[{window, message}];
    }
    sink->changed_.notify_all();
}

void PictureSink::onPicture(uintptr_t window, int x, int y, int w, int h, const uint8_t* header,
                            const void* bits, void* self) {
    auto* sink = static_cast<PictureSink*>(self);
    DrawnPicture p{x, y, w, h, {}, {}, processClockMs()};
    p.header = *BitmapInfoHeader::readFrom({header, BitmapInfoHeader::kSize});
    const uint32_t size = p.header.compression == 0 ? p.header.imageBytes() : p.header.sizeImage;
    const auto* b = static_cast<const uint8_t*>(bits);
    p.bits.assign(b, b + size);
    {
        std::lock_guard lock(sink->mutex_);
        sink->pictures_[window].push_back(std::move(p));
    }
    sink->changed_.notify_all();
}

void PictureSink::onMessageBox(const char* text, const char* caption, void* self) {
    auto* sink = static_cast<PictureSink*>(self);
    {
        std::lock_guard lock(sink->mutex_);
        sink->boxes_.emplace_back(text, caption);
    }
    sink->changed_.notify_all();
}

std::vector<DrawnPicture> PictureSink::pictures(uintptr_t window) const {
    std::lock_guard lock(mutex_);
    auto it = pictures_.find(window);
    return it == pictures_.end() ? std::vector<DrawnPicture>{} : it->second;
}

size_t PictureSink::pictureCount(uintptr_t window) const {
    std::lock_guard lock(mutex_);
    auto it = pictures_.find(window);
    return it == pictures_.end() ? 0 : it->second.size();
}

size_t PictureSink::messageCount(uintptr_t window, uint32_t message) const {
    std::lock_guard lock(mutex_);
    auto it = messages_.find({window, message});
    return it == messages_.end() ? 0 : it->second;
}

std::vector<std::pair<std::string, std::string>> PictureSink::messageBoxes() const {
    std::lock_guard lock(mutex_);
    return boxes_;
}

void PictureSink::clear() {
    std::lock_guard lock(mutex_);
    pictures_.clear();
    messages_.clear();
    boxes_.clear();
}

bool PictureSink::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    while (true) {
        lock.unlock();
        const bool ok = done();
        lock.lock();
        if (ok) return true;
        if (changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(50))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            // The predicate reads the sink, which takes the lock itself.
            lock.unlock();
            return done();
        }
    }
}

}  // namespace zemra::vid::testing
