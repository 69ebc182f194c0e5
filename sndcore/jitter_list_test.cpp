#include "sndcore/jitter_list.h"

#include <gtest/gtest.h>

namespace zemra::snd {
namespace {

JitterPacket packet(uint32_t timestamp, uint8_t tag) {
    return {{tag}, timestamp};
}

TEST(JitterListTest, TakesTheEarliestTimeStampFirstAndEqualOnesInArrivalOrder) {
    JitterList list;
    list.push(packet(80, 1));
    list.push(packet(0, 2));
    list.push(packet(40, 3));
    list.push(packet(40, 4));
    std::vector<uint8_t> order;
    while (auto p = list.takeEarliest()) order.push_back(p->payload[0]);
    EXPECT_EQ(order, (std::vector<uint8_t>{2, 3, 4, 1}));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.takeEarliest().has_value());
}

TEST(JitterListTest, TimeStampsCompareUnsigned) {
    JitterList list;
    list.push(packet(0xFFFFFFF0u, 1));
    list.push(packet(0x7FFFFFFFu, 2));
    EXPECT_EQ(list.takeEarliest()->payload[0], 2);
}

}  // namespace
}  // namespace zemra::snd
