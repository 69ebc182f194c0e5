#include "vidcore/avi_video_writer.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/testing/temp_dir.h"

namespace zemra::vid {
namespace {

BitmapInfoHeader vp8Format() {
    BitmapInfoHeader f;
    f.width = 176;
    f.height = 144;
    f.bitCount = 24;
    f.compression = makeFourCc('V', 'P', '8', '0');
    f.sizeImage = 176 * 144 * 3;
    return f;
}

struct Chunk {
    std::vector<uint8_t> data;
    bool key;
    uint32_t start;
};

std::vector<Chunk> chunksOf(const std::filesystem::path& path) {
    auto file = AviFile::open(path, AviFile::Mode::kRead);
    EXPECT_TRUE(file);
    std::vector<Chunk> out;
    if (!file) return out;
    AviStream* stream = file->stream(kAviStreamVideo);
    EXPECT_TRUE(stream);
    EXPECT_EQ(file->stream(kAviStreamVideo, 1), nullptr);
    for (size_t i = 0; stream && i < stream->chunkCount(); ++i) {
        Chunk c;
        EXPECT_TRUE(stream->readChunk(i, c.data, &c.key, &c.start));
        if (!c.data.empty()) out.push_back(c);
    }
    return out;
}

TEST(AviVideoWriterTest, PlacesFramesByTimeAndStartsWithAKeyFrame) {
    zemra::testing::TempDir dir;
    std::atomic<uint32_t> now{5000};
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "a.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(10, 1), false);  // no stream before a key
    writer.write(vp8Format(), std::vector<uint8_t>(10, 2), true);   // 0 ms: position 0
    now += 40;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 3), false);  // 40 ms: 0 as well
    now += 30;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 4), false);  // 70 ms: 1
    now += 130;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 5), false);  // 200 ms: 3
    writer.close();

    const auto chunks = chunksOf(dir / "a.avi");
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].data[0], 2);
    EXPECT_TRUE(chunks[0].key);
    EXPECT_EQ(chunks[0].start, 0u);
    // A frame sharing a taken position goes to the next free one: a coded
    // video cannot lose a frame.
    EXPECT_EQ(chunks[1].start, 1u);
    EXPECT_FALSE(chunks[1].key);
    EXPECT_EQ(chunks[2].start, 2u);
    EXPECT_EQ(chunks[3].start, 3u);

    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    const AviStreamInfo info = file->stream(kAviStreamVideo)->info();
    EXPECT_EQ(info.rate, 15u);
    EXPECT_EQ(info.scale, 1u);
    EXPECT_EQ(info.quality, 10000u);
    EXPECT_EQ(info.suggestedBufferSize, 176u * 144 * 3);
    EXPECT_EQ(info.name, "meeting video");
    EXPECT_EQ(info.frame[2], 176);
    EXPECT_EQ(info.frame[3], 144);
    const auto format = BitmapInfoHeader::readFrom(file->stream(kAviStreamVideo)->format());
    ASSERT_TRUE(format);
    EXPECT_EQ(*format, vp8Format());
}

TEST(AviVideoWriterTest, ReopeningAFileAppendsAfterItsLastFrame) {
    zemra::testing::TempDir dir;
    std::atomic<uint32_t> now{100};
    {
        AviVideoWriter writer([&] { return now.load(); });
        ASSERT_TRUE(writer.open(dir / "b.avi"));
        for (int i = 0; i < 4; ++i, now += 67) {
            writer.write(vp8Format(), std::vector<uint8_t>(8, uint8_t(i)), i == 0);
        }
    }
    now = 90000;
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "b.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(8, 9), false);  // waits for a key frame
    writer.write(vp8Format(), std::vector<uint8_t>(8, 10), true);
    now += 67;
    writer.write(vp8Format(), std::vector<uint8_t>(8, 11), false);
    writer.close();

    const auto chunks = chunksOf(dir / "b.avi");
    ASSERT_EQ(chunks.size(), 6u);
    EXPECT_EQ(chunks[3].start, 3u);
    EXPECT_EQ(chunks[4].data[0], 10);
    EXPECT_EQ(chunks[4].start, 4u);
    EXPECT_TRUE(chunks[4].key);
    EXPECT_EQ(chunks[5].start, 5u);
}

TEST(AviVideoWriterTest, AFileOfAnotherSizeIsLeftAlone) {
    zemra::testing::TempDir dir;
    uint32_t now = 0;
    {
        AviVideoWriter writer([&] { return now; });
        writer.open(dir / "c.avi");
        writer.write(vp8Format(), std::vector<uint8_t>(8, 1), true);
    }
    BitmapInfoHeader other = vp8Format();
    other.width = 352;
    other.height = 288;
    AviVideoWriter writer([&] { return now; });
    ASSERT_TRUE(writer.open(dir / "c.avi"));
    writer.write(other, std::vector<uint8_t>(8, 2), true);
    writer.close();
    EXPECT_EQ(chunksOf(dir / "c.avi").size(), 1u);
}

}  // namespace
}  // namespace zemra::vid
