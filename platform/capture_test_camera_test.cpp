#include "platform/capture_test_camera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace zemra {
namespace {

size_t strideOf(int w) {
    return ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
}

TEST(TestPatternTest, StampReadsBackAndRefusesDamage) {
    for (auto [w, h] : {std::pair{160, 120}, std::pair{176, 144}, std::pair{640, 480}}) {
        std::vector<uint8_t> bits(strideOf(w) * h);
        const TestPatternStamp stamp{0xBEEF, 0x12345678};
        renderTestPattern(stamp, w, h, bits.data());
        EXPECT_EQ(readTestPatternStamp(bits.data(), w, h), stamp) << w;
        // Flip one block of the strip (top left: the last rows in memory).
        for (int y = 0; y < 8; ++y) {
            uint8_t* row = bits.data() + strideOf(w) * (h - 1 - y);
            for (int x = 0; x < 8 * 3; ++x) row[x] = static_cast<uint8_t>(255 - row[x]);
        }
        EXPECT_FALSE(readTestPatternStamp(bits.data(), w, h)) << w;
    }
}

TEST(TestCameraTest, DeliversMovingPicturesInTheFormatAskedFor) {
    TestCamera camera;
    BitmapInfoHeader wanted;
    wanted.width = 176;
    wanted.height = 144;
    wanted.bitCount = 8;
    EXPECT_FALSE(camera.setFormat(wanted));
    wanted.bitCount = 24;
    wanted.width = 175;
    EXPECT_FALSE(camera.setFormat(wanted));
    wanted.width = 176;
    ASSERT_TRUE(camera.setFormat(wanted));
    EXPECT_EQ(camera.format().sizeImage, 176u * 144 * 3);

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::vector<uint8_t>> frames;
    camera.setFrameInterval(5000);
    ASSERT_TRUE(camera.start([&](const uint8_t* bits, size_t length) {
        std::lock_guard lock(mutex);
        frames.emplace_back(bits, bits + length);
        arrived.notify_all();
    }));
    EXPECT_FALSE(camera.setFormat(wanted));  // not while running
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            arrived.wait_for(lock, std::chrono::seconds(10), [&] { return frames.size() >= 3; }));
    }
    camera.stop();
    const size_t stopped = frames.size();
    ASSERT_EQ(frames[0].size(), 176u * 144 * 3);
    const auto first = readTestPatternStamp(frames[0].data(), 176, 144);
    const auto second = readTestPatternStamp(frames[1].data(), 176, 144);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->frameNumber, first->frameNumber + 1);
    EXPECT_GE(second->clockMs, first->clockMs);
    EXPECT_NE(frames[0], frames[1]);

    wanted.compression = kFourCcI420;
    wanted.bitCount = 12;
    ASSERT_TRUE(camera.setFormat(wanted));
    ASSERT_TRUE(camera.start([&](const uint8_t*, size_t length) {
        std::lock_guard lock(mutex);
        frames.emplace_back(length, 0);
        arrived.notify_all();
    }));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(10),
                                     [&] { return frames.size() > stopped; }));
    }
    camera.stop();
    EXPECT_EQ(frames[stopped].size(), 176u * 144 * 3 / 2);
}

}  // namespace
}  // namespace zemra
