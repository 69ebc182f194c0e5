#include "platform/capture_test_camera.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/process_clock.h"

namespace zemra {
namespace {

constexpr int kBlock = 8;
constexpr int kStampBits = 56;  // frame number, clock, check byte
constexpr uint8_t kDark = 16;
constexpr uint8_t kLight = 235;

// 5 × 7 digits, '.', ':'; one byte per row, bit 4 leftmost.
constexpr uint8_t kGlyphs[12][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}, {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00},
};

size_t strideOf(int width) {
    return ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
}

// Triangle wave 0..255..0 over a period of 512.
uint8_t triangle(int v) {
    v &= 511;
    return static_cast<uint8_t>(v < 256 ? v : 511 - v);
}

int bounce(int travel, int step) {
    if (travel <= 0) return 0;
    const int period = 2 * travel;
    const int p = step % period;
    return p <= travel ? p : period - p;
}

uint64_t stampBits(const TestPatternStamp& s) {
    const uint64_t payload = (static_cast<uint64_t>(s.clockMs) << 16) | s.frameNumber;
    uint8_t check = 0xA5;
    for (int i = 0; i < 6; ++i) check ^= static_cast<uint8_t>(payload >> (8 * i));
    return payload | (static_cast<uint64_t>(check) << 48);
}

struct Canvas {
    uint8_t* bits;
    int width;
    int height;
    size_t stride;

    uint8_t* at(int x, int y) const {
        return bits + stride * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * 3;
    }
    void fill(int x0, int y0, int w, int h, uint8_t b, uint8_t g, uint8_t r) const {
        for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y) {
            for (int x = std::max(0, x0); x < std::min(width, x0 + w); ++x) {
                uint8_t* p = at(x, y);
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
        }
    }
};

int stampRows(int width) {
    const int perRow = width / kBlock;
    return (kStampBits + perRow - 1) / perRow;
}

void drawText(const Canvas& c, const std::string& text, int x0, int y0, int scale) {
    int x = x0;
    for (char ch : text) {
        const int glyph = ch >= '0' && ch <= '9' ? ch - '0' : ch == '.' ? 10 : 11;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (kGlyphs[glyph][row] & (0x10 >> col)) {
                    c.fill(x + col * scale, y0 + row * scale, scale, scale, 255, 255, 255);
                }
            }
        }
        x += 6 * scale;
    }
}

}  // namespace

bool testCameraEnabled() {
    const char* value = std::getenv("ZEMRA_TEST_CAMERA");
    return value && std::strcmp(value, "1") == 0;
}

void renderTestPattern(const TestPatternStamp& stamp, int width, int height, uint8_t* bits) {
    const Canvas c{bits, width, height, strideOf(width)};
    const int n = stamp.frameNumber;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = c.at(0, y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = triangle(2 * x + 6 * n);
            p[1] = triangle(3 * y + 4 * n);
            p[2] = triangle(x + y + 10 * n);
        }
    }
    const int side = std::max(8, width / 6);
    const int top = stampRows(width) * kBlock;
    c.fill(bounce(width - side, 5 * n), top + bounce(height - top - side, 3 * n), side, side, 40,
           60, 220);

    // The running clock, in seconds, large enough to read off a screen.
    const int scale = std::max(1, width / 120);
    const std::string text = std::to_string(stamp.clockMs / 1000) + "." +
                             std::to_string(1000 + stamp.clockMs % 1000).substr(1);
    const int textWidth = static_cast<int>(text.size()) * 6 * scale;
    const int textY = top + scale * 2;
    c.fill(0, top, textWidth + 2 * scale, 11 * scale, 0, 0, 0);
    drawText(c, text, scale, textY, scale);

    const uint64_t word = stampBits(stamp);
    const int perRow = width / kBlock;
    for (int i = 0; i < kStampBits; ++i) {
        const uint8_t v = (word >> i) & 1 ? kLight : kDark;
        c.fill((i % perRow) * kBlock, (i / perRow) * kBlock, kBlock, kBlock, v, v, v);
    }
}

std::optional<TestPatternStamp> readTestPatternStamp(const uint8_t* bits, int width, int height) {
    if (width < 64 || height < 64) return std::nullopt;
    const Canvas c{const_cast<uint8_t*>(bits), width, height, strideOf(width)};
    const int perRow = width / kBlock;
    uint64_t word = 0;
    for (int i = 0; i < kStampBits; ++i) {
        const int bx = (i % perRow) * kBlock;
        const int by = (i / perRow) * kBlock;
        int sum = 0;
        for (int y = by + 2; y < by + 6; ++y) {
            for (int x = bx + 2; x < bx + 6; ++x) {
                const uint8_t* p = c.at(x, y);
                sum += p[0] + p[1] + p[2];
            }
        }
        if (sum / 48 >= 128) word |= uint64_t{1} << i;
    }
    TestPatternStamp stamp;
    stamp.frameNumber = static_cast<uint16_t>(word);
    stamp.clockMs = static_cast<uint32_t>(word >> 16);
    if (stampBits(stamp) != word) return std::nullopt;
    return stamp;
}

TestCamera::TestCamera() {
    format_.width = 352;
    format_.height = 288;
    format_.bitCount = 24;
    format_.sizeImage = format_.imageBytes();
}

TestCamera::~TestCamera() {
    stop();
}

BitmapInfoHeader TestCamera::format() const {
    std::lock_guard lock(mutex_);
    return format_;
}

bool TestCamera::setFormat(const BitmapInfoHeader& wanted) {
    const bool rgb = wanted.compression == 0 && wanted.bitCount == 24;
    const bool i420 = wanted.compression == kFourCcI420 && wanted.bitCount == 12;
    if (!rgb && !i420) return false;
    if (wanted.width < 64 || wanted.width > 1920 || wanted.height < 64 || wanted.height > 1080 ||
        wanted.width % 2 != 0 || wanted.height % 2 != 0) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return false;
    format_ = BitmapInfoHeader{};
    format_.width = wanted.width;
    format_.height = wanted.height;
    format_.bitCount = wanted.bitCount;
    format_.compression = wanted.compression;
    format_.sizeImage =
        rgb ? format_.imageBytes() : static_cast<uint32_t>(wanted.width * wanted.height * 3 / 2);
    return true;
}

void TestCamera::setFrameInterval(uint32_t microseconds) {
    std::lock_guard lock(mutex_);
    intervalUs_ = std::clamp<uint32_t>(microseconds, 1000, 1000000);
}

bool TestCamera::start(FrameHandler handler) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() || !handler) return false;
    handler_ = std::move(handler);
    stopping_ = false;
    thread_ = std::thread([this] { deliver(); });
    return true;
}

void TestCamera::stop() {
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        thread = std::move(thread_);
    }
    thread.join();
    handler_ = nullptr;
}

void TestCamera::makePicture(uint16_t frameNumber) {
    const int w = format_.width;
    const int h = format_.height;
    bgr_.resize(strideOf(w) * h);
    renderTestPattern({frameNumber, processClockMs()}, w, h, bgr_.data());
    if (format_.compression == 0) {
        picture_.swap(bgr_);
        return;
    }
    // I420, top-down: luma plane, then quarter-size U and V planes.
    picture_.resize(static_cast<size_t>(w) * h * 3 / 2);
    uint8_t* yPlane = picture_.data();
    uint8_t* uPlane = yPlane + static_cast<size_t>(w) * h;
    uint8_t* vPlane = uPlane + static_cast<size_t>(w / 2) * (h / 2);
    const size_t stride = strideOf(w);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = bgr_.data() + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const int b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
            yPlane[static_cast<size_t>(y) * w + x] =
                static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            if (y % 2 == 0 && x % 2 == 0) {
                const size_t i = static_cast<size_t>(y / 2) * (w / 2) + x / 2;
                uPlane[i] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
                vPlane[i] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
            }
        }
    }
}

void TestCamera::deliver() {
    using Clock = std::chrono::steady_clock;
    uint32_t interval;
    {
        std::lock_guard lock(mutex_);
        interval = intervalUs_;
    }
    const auto period = std::chrono::microseconds(interval);
    auto due = Clock::now();
    uint16_t frameNumber = 0;
    while (!stopping_) {
        std::this_thread::sleep_until(due);
        if (stopping_) break;
        makePicture(frameNumber++);
        handler_(picture_.data(), picture_.size());
        due += period;
        // A camera drops what it cannot deliver in time rather than bursting.
        if (Clock::now() > due + period) due = Clock::now();
    }
}

}  // namespace zemra
