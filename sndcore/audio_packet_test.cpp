#include "sndcore/audio_packet.h"

#include <gtest/gtest.h>

#include <vector>

#include "sndcore/sound_format.h"

namespace zemra::snd {
namespace {

TEST(AudioPacketTest, HeaderBytesCarryReversedBitsAndALittleEndianSource) {
    uint8_t out[kAudioHeaderBytes];
    writeAudioHeader({0x1234, 0x89ABCDEF, 0x00112233}, out);
    const uint8_t expected[] = {0x02, 0x24, 0x12, 0x34, 0x89, 0xAB,
                                0xCD, 0xEF, 0x33, 0x22, 0x11, 0x00};
    EXPECT_TRUE(std::equal(std::begin(out), std::end(out), std::begin(expected)));

    const auto back = readAudioHeader(out);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->sequence, 0x1234);
    EXPECT_EQ(back->timestamp, 0x89ABCDEFu);
    EXPECT_EQ(back->sourceId, 0x00112233u);
}

TEST(AudioPacketTest, OnlyTheVersionAndPayloadTypeBitsAreTested) {
    uint8_t packet[kAudioHeaderBytes];
    writeAudioHeader({1, 2, 3}, packet);
    EXPECT_FALSE(readAudioHeader(std::span(packet, 11)).has_value());

    uint8_t other[kAudioHeaderBytes];
    std::copy(std::begin(packet), std::end(packet), other);
    other[0] = 0x80;  // RTP's own bit order: version in the top bits
    EXPECT_FALSE(readAudioHeader(other).has_value());
    other[0] = 0x02 | 0xFC;  // padding, extension and source count are not looked at
    EXPECT_TRUE(readAudioHeader(other).has_value());
    other[1] = 0x25;  // marker set
    EXPECT_TRUE(readAudioHeader(other).has_value());
    other[1] = 0x12;  // payload type 9
    EXPECT_FALSE(readAudioHeader(other).has_value());
    other[1] = 0x24;
    other[0] = 0x03;
    EXPECT_FALSE(readAudioHeader(other).has_value());
}

TEST(AudioPacketTest, LevelIsTheMeanAbsoluteSample) {
    const int16_t samples[] = {-32768, 32767, 0, -1};
    EXPECT_EQ(meanAbsoluteLevel(reinterpret_cast<const uint8_t*>(samples), sizeof samples),
              (32768u + 32767u + 0u + 1u) / 4);
    EXPECT_EQ(meanAbsoluteLevel(reinterpret_cast<const uint8_t*>(samples), 1), 0u);
    const std::vector<int16_t> full(320, -32768);
    EXPECT_EQ(meanAbsoluteLevel(reinterpret_cast<const uint8_t*>(full.data()), 640), 32768u);
}

}  // namespace
}  // namespace zemra::snd
