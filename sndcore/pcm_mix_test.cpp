#include "sndcore/pcm_mix.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zemra::snd {
namespace {

TEST(PcmMixTest, AdditionSaturatesAtBothEnds) {
    std::vector<int16_t> a = {32000, -32000, 100, 32767, -32768, 5, 6, 7, 8, -9};
    const std::vector<int16_t> b = {1000, -1000, -200, 1, -1, 1, 1, 1, 1, 1};
    addSaturating(a.data(), b.data(), a.size(), packedAddAvailable());
    EXPECT_EQ(a, (std::vector<int16_t>{32767, -32768, -100, 32767, -32768, 6, 7, 8, 9, -8}));
}

TEST(PcmMixTest, PackedAndScalarPathsGiveTheSameSamples) {
    std::mt19937 random(11);
    for (size_t n : {0u, 1u, 7u, 8u, 9u, 320u, 333u}) {
        std::vector<int16_t> dest(n), src(n);
        for (size_t i = 0; i < n; ++i) {
            // Many sums near and over the limits.
            dest[i] = static_cast<int16_t>(random());
            src[i] = static_cast<int16_t>(random());
        }
        auto packed = dest;
        auto scalar = dest;
        addSaturating(packed.data(), src.data(), n, true);
        addSaturating(scalar.data(), src.data(), n, false);
        EXPECT_EQ(packed, scalar) << n << " samples";
        for (size_t i = 0; i < n; ++i) {
            ASSERT_EQ(scalar[i], std::clamp(int(dest[i]) + int(src[i]), -32768, 32767));
        }
    }
}

}  // namespace
}  // namespace zemra::snd
