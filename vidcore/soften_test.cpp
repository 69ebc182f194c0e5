#include "vidcore/soften.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zemra::vid {
namespace {

size_t strideOf(int w) {
    return ((static_cast<size_t>(w) * 24 + 31) / 32) * 4;
}

// The filter as written down, one byte at a time, in floating point.
void referenceSoften(std::vector<uint8_t>& p, int w, int h) {
    static const int k[4][4] = {{1, 2, 2, 1}, {2, 3, 3, 2}, {2, 3, 3, 2}, {1, 2, 2, 1}};
    const size_t s = strideOf(w);
    for (int r = h - 2; r >= 2; --r) {
        for (int c = 1; c <= w - 3; ++c) {
            for (int ch = 0; ch < 3; ++ch) {
                double sum = 0;
                for (int kr = 0; kr < 4; ++kr) {
                    for (int kc = 0; kc < 4; ++kc) {
                        sum += k[kr][kc] * p[s * (r + 1 - kr) + (c - 1 + kc) * 3 + ch];
                    }
                }
                const double v = sum / 32;
                p[s * r + c * 3 + ch] = v > 255 ? 255 : static_cast<uint8_t>(v + 0.5);
            }
        }
    }
}

TEST(SoftenTest, MatchesAHandComputedPicture) {
    // 5 × 5, all black but one white pixel in the top row in memory. Hand
    // computation, in the filter's order (row 3, then row 2; left to right):
    //   (3,1) = 2·255/32            = 15.9 -> 16
    //   (3,2) = (255 + 2·16)/32     =  8.97 -> 9   (uses the new left neighbour)
    //   (2,1) = (2·16 + 2·9)/32     =  1.56 -> 2   (uses the new row above)
    //   (2,2) = (16 + 2·9 + 2·2)/32 =  1.19 -> 1
    const int w = 5, h = 5;
    const size_t s = strideOf(w);
    std::vector<uint8_t> p(s * h, 0);
    auto at = [&](int r, int c) { return &p[s * r + c * 3]; };
    for (int ch = 0; ch < 3; ++ch) at(4, 1)[ch] = 255;
    soften(p.data(), w, h);
    std::vector<uint8_t> expected(s * h, 0);
    auto want = [&](int r, int c, uint8_t v) {
        for (int ch = 0; ch < 3; ++ch) expected[s * r + c * 3 + ch] = v;
    };
    want(4, 1, 255);
    want(3, 1, 16);
    want(3, 2, 9);
    want(2, 1, 2);
    want(2, 2, 1);
    EXPECT_EQ(p, expected);
}

TEST(SoftenTest, MatchesTheFilterAsWrittenOnRandomPictures) {
    std::mt19937 random(7);
    for (auto [w, h] : {std::pair{352, 288}, std::pair{37, 23}, std::pair{4, 4}, std::pair{3, 9}}) {
        std::vector<uint8_t> p(strideOf(w) * h);
        for (auto& b : p) b = static_cast<uint8_t>(random());
        std::vector<uint8_t> expected = p;
        referenceSoften(expected, w, h);
        soften(p.data(), w, h);
        EXPECT_EQ(p, expected) << w << "x" << h;
    }
}

TEST(SoftenTest, OnlyPicturesEnlargedByHalfOrMore) {
    EXPECT_FALSE(needsSoftening(176, 144, 176, 144));
    EXPECT_FALSE(needsSoftening(176, 144, 263, 215));
    EXPECT_TRUE(needsSoftening(176, 144, 352, 288));
    EXPECT_TRUE(needsSoftening(176, 144, 264, 144));
    EXPECT_TRUE(needsSoftening(176, 144, 176, 216));
}

}  // namespace
}  // namespace zemra::vid
