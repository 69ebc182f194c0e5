#include "xferlink/send_pacer.h"

#include <gtest/gtest.h>

#include <atomic>

namespace zemra::xferlink {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(SendPacerTest, ARateHoldsTheSenderBackUntilTheBytesAreDue) {
    const SendPacer pacer(1'000'000);
    const auto start = steady_clock::now();
    pacer.waitUntilDue(300'000, [] { return false; });
    EXPECT_GE(steady_clock::now() - start, milliseconds(290));

    // Without a rate nothing waits, however much is done.
    const auto unlimited = steady_clock::now();
    SendPacer(0).waitUntilDue(4'000'000'000u, [] { return false; });
    EXPECT_LT(steady_clock::now() - unlimited, milliseconds(50));
}

TEST(SendPacerTest, AStopEndsALongWaitWithinATenthOfASecond) {
    const SendPacer pacer(1000);  // the bytes are due in about 46 days
    std::atomic<int> asked{0};
    const auto start = steady_clock::now();
    pacer.waitUntilDue(4'000'000'000u, [&] { return ++asked > 2; });
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));
    EXPECT_EQ(asked.load(), 3);
}

TEST(SendPacerTest, OnlyAPlainNumberSetsARate) {
    EXPECT_EQ(SendPacer::parseRate("8000000"), 8'000'000u);
    for (const char* bad : {"", "fast", "12x", "-5", " 5", "99999999999999999999999"}) {
        EXPECT_EQ(SendPacer::parseRate(bad), 0u) << bad;
    }
    EXPECT_EQ(SendPacer::parseRate(nullptr), 0u);
}

}  // namespace
}  // namespace zemra::xferlink
