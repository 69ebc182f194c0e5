#include "winmsg.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace zemra {
namespace {

// A sink and its context, published as one immutable object so that a
// poster on another thread always sees a matching pair. Replaced sinks are
// kept alive for good: a poster may still be using one, and hosts install
// their sinks a handful of times per run. Each sink links to the one made
// before it, so all of them stay reachable from their slot.
template <typename Function>
struct Sink {
    Function function;
    void* context;
    const Sink* madeBefore;
};

template <typename Function>
class SinkSlot {
  public:
    const Sink<Function>* current() const { return slot_.load(std::memory_order_acquire); }
    void install(Function function, void* context) {
        std::lock_guard lock(installing_);
        const Sink<Function>* next = nullptr;
        if (function) {
            next = new Sink<Function>{function, context, newest_};
            newest_ = next;
        }
        slot_.store(next, std::memory_order_release);
    }

  private:
    std::atomic<const Sink<Function>*> slot_{nullptr};
    std::mutex installing_;
    const Sink<Function>* newest_ = nullptr;
};

SinkSlot<ZemraWindowMessageSink>& messageSlot() {
    static SinkSlot<ZemraWindowMessageSink> slot;
    return slot;
}

SinkSlot<ZemraPictureSink>& pictureSlot() {
    static SinkSlot<ZemraPictureSink> slot;
    return slot;
}

SinkSlot<ZemraMessageBoxSink>& messageBoxSlot() {
    static SinkSlot<ZemraMessageBoxSink> slot;
    return slot;
}

}  // namespace

void postWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (const auto* sink = messageSlot().current()) {
        sink->function(window, message, wParam, lParam, sink->context);
    }
}

void drawPicture(WindowHandle window, int x, int y, int width, int height,
                 const BitmapInfoHeader& header, const void* bits) {
    const auto* sink = pictureSlot().current();
    if (!sink) return;
    uint8_t headerBytes[BitmapInfoHeader::kSize];
    header.writeTo(headerBytes);
    sink->function(window, x, y, width, height, headerBytes, bits, sink->context);
}

void showMessageBox(std::string_view text, std::string_view caption) {
    if (const auto* sink = messageBoxSlot().current()) {
        const std::string t(text);
        const std::string c(caption);
        sink->function(t.c_str(), c.c_str(), sink->context);
        return;
    }
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
}

}  // namespace zemra

extern "C" {

void zemra_set_window_message_sink(ZemraWindowMessageSink sink, void* context) {
    zemra::messageSlot().install(sink, context);
}

void zemra_set_picture_sink(ZemraPictureSink sink, void* context) {
    zemra::pictureSlot().install(sink, context);
}

void zemra_set_message_box_sink(ZemraMessageBoxSink sink, void* context) {
    zemra::messageBoxSlot().install(sink, context);
}
}
