#include "vidcore/frame_assembler.h"

#include <gtest/gtest.h>

#include <vector>

namespace zemra::vid {
namespace {

VideoPacketHeader header(uint32_t timeStamp, uint16_t sequence, uint8_t count, uint8_t index) {
    VideoPacketHeader h;
    h.timeStamp = timeStamp;
    h.sequence = sequence;
    h.count = count;
    h.index = index;
    return h;
}

std::vector<uint8_t> bytes(size_t n, uint8_t value) {
    return std::vector<uint8_t>(n, value);
}

TEST(FrameAssemblerTest, InterleavedFramesBothCompleteAndAThirdPushesOutTheOlder) {
    FrameAssembler a;
    EXPECT_FALSE(a.add(header(10, 1, 2, 0), bytes(1000, 1)).complete);
    EXPECT_FALSE(a.add(header(15, 2, 2, 0), bytes(1000, 3)).complete);
    auto r = a.add(header(10, 1, 2, 1), bytes(10, 2));
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.sequence, 1);
    ASSERT_EQ(a.frame().size(), 1010u);
    EXPECT_EQ(a.frame()[0], 1);
    EXPECT_EQ(a.frame()[1009], 2);
    r = a.add(header(15, 2, 2, 1), bytes(20, 4));
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.sequence, 2);
    EXPECT_EQ(a.frame().size(), 1020u);

    // t3 replaces t1 (older, complete): nothing lost.
    r = a.add(header(20, 3, 2, 0), bytes(5, 5));
    EXPECT_FALSE(r.lostIncomplete);
    EXPECT_FALSE(r.complete);
    // t4 replaces t2 (older than t3): complete, nothing lost.
    r = a.add(header(25, 4, 1, 0), bytes(5, 6));
    EXPECT_FALSE(r.lostIncomplete);
    EXPECT_TRUE(r.complete);
    // t5 replaces t3, which never completed.
    r = a.add(header(30, 5, 1, 0), bytes(5, 7));
    EXPECT_TRUE(r.lostIncomplete);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(a.frame()[0], 7);
}

TEST(FrameAssemblerTest, FragmentsArriveInAnyOrder) {
    FrameAssembler a;
    EXPECT_FALSE(a.add(header(5, 9, 3, 2), bytes(3, 'c')).complete);
    EXPECT_FALSE(a.add(header(5, 9, 3, 0), bytes(1000, 'a')).complete);
    ASSERT_TRUE(a.add(header(5, 9, 3, 1), bytes(1000, 'b')).complete);
    ASSERT_EQ(a.frame().size(), 2003u);
    EXPECT_EQ(a.frame()[999], 'a');
    EXPECT_EQ(a.frame()[1000], 'b');
    EXPECT_EQ(a.frame()[2000], 'c');
}

TEST(FrameAssemblerTest, MalformedFragmentsChangeNothing) {
    FrameAssembler a;
    EXPECT_FALSE(a.add(header(5, 1, 2, 0), bytes(10, 1)).complete);
    for (const auto& h : {header(5, 1, 81, 0), header(5, 1, 2, 80), header(5, 1, 0, 0),
                          header(5, 1, 2, 2), header(5, 1, 255, 255), header(99, 1, 1, 1)}) {
        const auto r = a.add(h, bytes(10, 9));
        EXPECT_TRUE(r.rejected);
        EXPECT_FALSE(r.complete);
        EXPECT_FALSE(r.lostIncomplete);
    }
    // The frame in progress is untouched and still completes.
    const auto r = a.add(header(5, 1, 2, 1), bytes(10, 2));
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(a.frame().size(), 20u);
    EXPECT_EQ(a.frame()[0], 1);
}

TEST(FrameAssemblerTest, ARepeatedFragmentDoesNotDeliverTheFrameTwice) {
    FrameAssembler a;
    ASSERT_TRUE(a.add(header(5, 1, 1, 0), bytes(10, 1)).complete);
    EXPECT_FALSE(a.add(header(5, 1, 1, 0), bytes(10, 1)).complete);
    EXPECT_TRUE(a.add(header(10, 2, 1, 0), bytes(10, 1)).complete);
}

TEST(FrameAssemblerTest, EightyFragmentsOfAThousandBytesMakeOneFrame) {
    FrameAssembler a;
    for (uint8_t i = 0; i < 79; ++i) {
        EXPECT_FALSE(a.add(header(5, 1, 80, i), bytes(1000, i)).complete);
    }
    ASSERT_TRUE(a.add(header(5, 1, 80, 79), bytes(1000, 79)).complete);
    ASSERT_EQ(a.frame().size(), 80000u);
    EXPECT_EQ(a.frame()[79999], 79);
}

}  // namespace
}  // namespace zemra::vid
