#include "sndcore/speech_codec_slot.h"

#include <gtest/gtest.h>

#include <list>

#include "platform/testing/temp_dir.h"
#include "sndcore/testing/engine_instance.h"
#include "sndcore/testing/sound_test_support.h"

namespace zemra::snd {
namespace {

using testing::EngineInstance;
using testing::MessageLog;

const std::pair<std::string, std::string> kMissingBox = {"语音库加载失败,请检查安装程序", "声音"};

TEST(SpeechCodecSlotTest, NamesAreTakenLowestFirstAndGivenBack) {
    MessageLog log;
    CodecNameTable names(EngineInstance::buildDirectory());
    std::list<SpeechCodecSlot> slots;
    for (int i = 0; i < 16; ++i) {
        slots.emplace_back(names);
        EXPECT_EQ(slots.back().nameIndex(), i);
    }
    SpeechCodecSlot seventeenth(names);
    EXPECT_FALSE(seventeenth.loaded());
    EXPECT_FALSE(seventeenth.encode(std::vector<uint8_t>(640).data(), 640).has_value());
    EXPECT_TRUE(log.boxes().empty()) << "running out of names is silent";

    slots.erase(std::next(slots.begin(), 3));
    EXPECT_TRUE(names.isFree(3));
    SpeechCodecSlot again(names);
    EXPECT_EQ(again.nameIndex(), 3);
}

TEST(SpeechCodecSlotTest, AMissingLibraryIsReportedAndItsNameStaysFree) {
    MessageLog log;
    zemra::testing::TempDir empty;
    CodecNameTable names(empty.path());
    {
        SpeechCodecSlot slot(names);
        EXPECT_FALSE(slot.loaded());
        EXPECT_FALSE(slot.decode(std::vector<uint8_t>(40).data(), 40).has_value());
    }
    // Something by that name that is not the codec.
    zemra::testing::writeFile(empty / "xms.so", "not a library");
    SpeechCodecSlot second(names);
    EXPECT_FALSE(second.loaded());
    EXPECT_TRUE(names.isFree(0));
    EXPECT_EQ(log.boxes(), (std::vector{kMissingBox, kMissingBox}));
}

TEST(SpeechCodecSlotTest, OnlyWholeBuffersAndPayloadsAreCoded) {
    CodecNameTable names(EngineInstance::buildDirectory());
    SpeechCodecSlot slot(names);
    ASSERT_TRUE(slot.loaded());
    std::vector<uint8_t> pcm(700);
    EXPECT_FALSE(slot.encode(pcm.data(), 639).has_value());
    EXPECT_FALSE(slot.encode(pcm.data(), 700).has_value());
    EXPECT_TRUE(slot.encode(pcm.data(), 640).has_value());
    EXPECT_FALSE(slot.decode(pcm.data(), 39).has_value());
    EXPECT_FALSE(slot.decode(pcm.data(), 41).has_value());
    EXPECT_TRUE(slot.decode(pcm.data(), 40).has_value());
}

TEST(SpeechCodecSlotTest, SpeechSurvivesCodingAndEachUserHasItsOwnState) {
    CodecNameTable names(EngineInstance::buildDirectory());
    SpeechCodecSlot encoder(names), decoder(names), other(names), reference(names);
    std::vector<int16_t> decoded;
    std::vector<std::array<uint8_t, 40>> coded;
    for (size_t b = 0; b < 25; ++b) {
        const auto pcm = testing::sinePcm(320, 1000, 8000, 8000, b * 320);
        // A second user coding other sound in between must not disturb the first.
        other.encode(testing::sinePcm(320, 300, 20000, 8000, b * 320).data(), 640);
        coded.push_back(*encoder.encode(pcm.data(), pcm.size()));
        const auto out = decoder.decode(coded.back().data(), 40);
        ASSERT_TRUE(out.has_value());
        const auto* s = reinterpret_cast<const int16_t*>(out->data());
        decoded.insert(decoded.end(), s, s + 320);
    }
    for (size_t b = 0; b < 25; ++b) {
        const auto pcm = testing::sinePcm(320, 1000, 8000, 8000, b * 320);
        EXPECT_EQ(*reference.encode(pcm.data(), pcm.size()), coded[b]) << "buffer " << b;
    }
    const std::span<const int16_t> steady(decoded.begin() + 1600, decoded.end());
    EXPECT_NEAR(testing::dominantFrequency(steady, 8000, 10), 1000, 10);
    const double amplitude = testing::toneAmplitude(steady, 1000, 8000);
    EXPECT_GT(amplitude, 8000 * 0.7);
    EXPECT_LT(amplitude, 8000 * 1.4);
}

}  // namespace
}  // namespace zemra::snd
