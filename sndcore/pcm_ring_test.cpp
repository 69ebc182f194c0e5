#include "sndcore/pcm_ring.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

namespace zemra::snd {
namespace {

std::vector<uint8_t> bytes(size_t n, uint8_t first) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(first + i);
    return v;
}

TEST(PcmRingTest, WritingIntoAFullRingDropsTheOldestBytes) {
    PcmRing ring;
    for (uint8_t i = 0; i < 10; ++i) ring.write(std::vector<uint8_t>(640, i).data(), 640);
    ASSERT_EQ(ring.count(), PcmRing::kCapacity);
    ring.write(std::vector<uint8_t>(640, 10).data(), 640);
    EXPECT_EQ(ring.count(), PcmRing::kCapacity);
    std::vector<uint8_t> out(640);
    for (uint8_t i = 1; i <= 10; ++i) {
        ASSERT_EQ(ring.read(out.data(), 640), 640u);
        EXPECT_EQ(out, std::vector<uint8_t>(640, i));
    }
    EXPECT_EQ(ring.count(), 0u);
}

TEST(PcmRingTest, AShortRingIsReadThenZeroFilled) {
    PcmRing ring;
    const auto data = bytes(100, 1);
    ring.write(data.data(), data.size());
    std::vector<uint8_t> out(640, 0xAA);
    EXPECT_EQ(ring.read(out.data(), 640), 640u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 100, out.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(ring.count(), 0u);

    // Empty, or asked for nothing: the destination is not touched.
    std::fill(out.begin(), out.end(), 0xAA);
    EXPECT_EQ(ring.read(out.data(), 640), 0u);
    ring.write(data.data(), 10);
    EXPECT_EQ(ring.read(out.data(), 0), 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xAA; }));
}

TEST(PcmRingTest, MoreThanTheCapacityKeepsTheNewestBytes) {
    PcmRing ring;
    const auto data = bytes(PcmRing::kCapacity + 300, 0);
    ring.write(data.data(), data.size());
    std::vector<uint8_t> out(PcmRing::kCapacity);
    ring.read(out.data(), out.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + 300));
}

TEST(PcmRingTest, BehavesAsABoundedQueueAcrossTheWrap) {
    PcmRing ring;
    std::deque<uint8_t> model;
    std::mt19937 random(7);
    uint8_t next = 0;
    for (int step = 0; step < 5000; ++step) {
        const size_t n = random() % 1500;
        if (random() % 2) {
            std::vector<uint8_t> data(n);
            for (auto& b : data) b = next++;
            ring.write(data.data(), n);
            model.insert(model.end(), data.begin(), data.end());
            while (model.size() > PcmRing::kCapacity) model.pop_front();
        } else {
            std::vector<uint8_t> out(n, 0xEE);
            const size_t got = ring.read(out.data(), n);
            if (n == 0 || model.empty()) {
                ASSERT_EQ(got, 0u);
                continue;
            }
            ASSERT_EQ(got, n);
            const size_t take = std::min(n, model.size());
            for (size_t i = 0; i < take; ++i) {
                ASSERT_EQ(out[i], model.front());
                model.pop_front();
            }
            for (size_t i = take; i < n; ++i) ASSERT_EQ(out[i], 0);
        }
        ASSERT_EQ(ring.count(), model.size());
    }
}

TEST(PcmRingTest, ClearingForgetsWhatWasHeld) {
    PcmRing ring;
    const std::vector<uint8_t> bytes(100, 7);
    ring.write(bytes.data(), bytes.size());
    ring.clear();
    EXPECT_EQ(ring.count(), 0u);
    std::vector<uint8_t> out(10, 1);
    EXPECT_EQ(ring.read(out.data(), out.size()), 0u);
    ring.write(bytes.data(), 4);
    EXPECT_EQ(ring.read(out.data(), out.size()), out.size());
    EXPECT_EQ(out[3], 7);
    EXPECT_EQ(out[4], 0);
}

}  // namespace
}  // namespace zemra::snd
