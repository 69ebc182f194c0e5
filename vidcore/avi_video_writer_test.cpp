#include "vidcore/avi_video_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>

#include "platform/avi_file_handles.h"
#include "platform/testing/ffprobe.h"
#include "platform/testing/temp_dir.h"
#include "vidcore/testing/picture_sink.h"

namespace zemra::vid {
namespace {

using zemra::testing::probeStreams;
using zemra::testing::readFile;
using zemra::testing::TempDir;
using zemra::testing::writeFile;

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

// The frames of the file's video stream; the empty chunks between them
// only mark time.
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

// Writes `count` frames at `framesPerSecond` by the clock, a key frame every
// 15, starting at the clock's current time; the clock ends at the last frame.
void writeFrames(AviVideoWriter& writer, std::atomic<uint32_t>& now, int count,
                 int framesPerSecond) {
    const uint32_t start = now.load();
    for (int i = 0; i < count; ++i) {
        now = start + static_cast<uint32_t>(i * 1000 / framesPerSecond);
        writer.write(vp8Format(), std::vector<uint8_t>(100 + i % 7, uint8_t(i)), i % 15 == 0);
    }
}

double videoDuration(const std::vector<std::map<std::string, std::string>>& streams) {
    return streams.empty() ? 0 : std::stod(streams[0].at("duration"));
}

TEST(AviVideoWriterTest, PlacesFramesByTimeAndStartsWithAKeyFrame) {
    TempDir dir;
    std::atomic<uint32_t> now{5000};
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "a.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(10, 1), false);  // no stream before a key
    writer.write(vp8Format(), std::vector<uint8_t>(10, 2), true);   // 0 ms: position 0
    now += 4;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 3), false);  // 4 ms: 0 as well
    now += 66;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 4), false);  // 70 ms: 7
    now += 130;
    writer.write(vp8Format(), std::vector<uint8_t>(10, 5), false);  // 200 ms: 20
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
    EXPECT_EQ(chunks[2].start, 7u);
    EXPECT_EQ(chunks[3].start, 20u);

    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    const AviStreamInfo info = file->stream(kAviStreamVideo)->info();
    EXPECT_EQ(info.rate, 100u);
    EXPECT_EQ(info.scale, 1u);
    EXPECT_EQ(info.length, 21u);
    EXPECT_EQ(info.quality, 10000u);
    EXPECT_EQ(info.suggestedBufferSize, 176u * 144 * 3);
    EXPECT_EQ(info.name, "meeting video");
    EXPECT_EQ(info.frame[2], 176);
    EXPECT_EQ(info.frame[3], 144);
    const auto format = BitmapInfoHeader::readFrom(file->stream(kAviStreamVideo)->format());
    ASSERT_TRUE(format);
    EXPECT_EQ(*format, vp8Format());
}

// Whatever the send rate, ffprobe sees every frame and a video as long as
// the time it was recorded in, so it stays in step with the sound track.
TEST(AviVideoWriterTest, RecordingsLastAsLongAsTheyTookAndKeepEveryFrame) {
    for (const int framesPerSecond : {24, 30, 10}) {
        SCOPED_TRACE(framesPerSecond);
        TempDir dir;
        std::atomic<uint32_t> now{7000};
        AviVideoWriter writer([&] { return now.load(); });
        ASSERT_TRUE(writer.open(dir / "a.avi"));
        const int count = framesPerSecond * 4;
        writeFrames(writer, now, count, framesPerSecond);
        const double span = (now.load() - 7000) / 1000.0;
        writer.close();

        const auto streams = probeStreams(dir / "a.avi");
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(streams[0].at("codec_type"), "video");
        EXPECT_EQ(streams[0].at("nb_read_packets"), std::to_string(count));
        EXPECT_NEAR(videoDuration(streams), span, span * 0.05);
    }
}

TEST(AviVideoWriterTest, ReopeningAFileAppendsAfterItsLastFrameInStep) {
    TempDir dir;
    std::atomic<uint32_t> now{100};
    {
        AviVideoWriter writer([&] { return now.load(); });
        ASSERT_TRUE(writer.open(dir / "b.avi"));
        writeFrames(writer, now, 48, 24);
    }
    const double firstSpan = (now.load() - 100) / 1000.0;
    const size_t firstFrames = chunksOf(dir / "b.avi").size();
    ASSERT_EQ(firstFrames, 48u);

    now = 90000;
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "b.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(8, 9), false);  // waits for a key frame
    writeFrames(writer, now, 72, 24);
    const double secondSpan = (now.load() - 90000) / 1000.0;
    writer.close();

    const auto chunks = chunksOf(dir / "b.avi");
    ASSERT_EQ(chunks.size(), 48u + 72u);
    // The new part starts right after the old one, with its key frame.
    EXPECT_EQ(chunks[48].start, chunks[47].start + 1);
    EXPECT_TRUE(chunks[48].key);
    EXPECT_EQ(chunks[49].start - chunks[48].start, 4u);  // 41 ms later
    const auto streams = probeStreams(dir / "b.avi");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("nb_read_packets"), "120");
    EXPECT_NEAR(videoDuration(streams), firstSpan + secondSpan, (firstSpan + secondSpan) * 0.05);
}

TEST(AviVideoWriterTest, AStreamOfAnotherTimeBaseIsContinuedInItsOwn) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "old.avi", AviFile::Mode::kCreate);
        AviStreamInfo info;
        info.fccType = kAviStreamVideo;
        info.scale = 1;
        info.rate = 15;
        AviStream* stream = file->createStream(info);
        uint8_t format[BitmapInfoHeader::kSize];
        vp8Format().writeTo(format);
        ASSERT_TRUE(stream->setFormat(0, format));
        for (int i = 0; i < 3; ++i)
            stream->write(kAviAppend, std::vector<uint8_t>(8, 1), 1, i == 0);
    }
    std::atomic<uint32_t> now{40000};
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "old.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(8, 2), true);
    now += 1000;
    writer.write(vp8Format(), std::vector<uint8_t>(8, 3), false);
    writer.close();

    const auto chunks = chunksOf(dir / "old.avi");
    ASSERT_EQ(chunks.size(), 5u);
    EXPECT_EQ(chunks[3].start, 3u);
    EXPECT_EQ(chunks[4].start, 18u);  // a second is 15 positions here
    auto file = AviFile::open(dir / "old.avi", AviFile::Mode::kRead);
    EXPECT_EQ(file->stream(kAviStreamVideo)->info().rate, 15u);
}

TEST(AviVideoWriterTest, PausesKeepTheirTimeUnlessLongerThanTheStreamCanHold) {
    TempDir dir;
    std::atomic<uint32_t> now{1000};
    AviVideoWriter writer([&] { return now.load(); });
    ASSERT_TRUE(writer.open(dir / "p.avi"));
    writer.write(vp8Format(), std::vector<uint8_t>(8, 1), true);
    now += 30 * 60 * 1000;  // half an hour without pictures
    writer.write(vp8Format(), std::vector<uint8_t>(8, 2), true);
    now += 3 * 3600 * 1000;  // three hours
    writer.write(vp8Format(), std::vector<uint8_t>(8, 3), true);
    writer.close();

    const auto chunks = chunksOf(dir / "p.avi");
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[1].start, 180000u);
    EXPECT_EQ(chunks[2].start, 180001u) << "left out, the frame follows the last";
}

TEST(AviVideoWriterTest, AFileOfAnotherSizeIsLeftAlone) {
    TempDir dir;
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

TEST(AviVideoWriterTest, AnExistingFileItCannotContinueIsKeptAndRefused) {
    TempDir dir;
    std::string randomBytes;
    for (int i = 0; i < 5000; ++i) randomBytes.push_back(static_cast<char>((i * 7919) >> 3));
    std::string trailing;  // a recording with something else after it
    {
        std::atomic<uint32_t> now{0};
        AviVideoWriter writer([&] { return now.load(); });
        ASSERT_TRUE(writer.open(dir / "t.avi"));
        writeFrames(writer, now, 10, 24);
    }
    trailing = readFile(dir / "t.avi") + "JUNKJUNK";
    const std::pair<const char*, std::string> files[] = {
        {"noise.avi", randomBytes},
        {"wave.avi", std::string("RIFF\x24\0\0\0WAVEfmt ", 16) + std::string(24, '\1')},
        {"trailing.avi", trailing},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        testing::PictureSink sink;
        writeFile(dir / name, bytes);
        AviVideoWriter writer([] { return 0u; });
        EXPECT_EQ(writer.open(dir / name), nullptr);
        EXPECT_FALSE(writer.isOpen());
        writer.write(vp8Format(), std::vector<uint8_t>(8, 1), true);
        writer.close();
        EXPECT_EQ(readFile(dir / name), bytes);
        const auto boxes = sink.messageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].first, "无法续写录像文件" + (dir / name).string() + "，原文件已保留");
        EXPECT_EQ(boxes[0].second, "录像");
    }
    // An empty file holds nothing to keep: it becomes the recording.
    writeFile(dir / "empty.avi", "");
    AviVideoWriter writer([] { return 0u; });
    EXPECT_NE(writer.open(dir / "empty.avi"), nullptr);
    writer.write(vp8Format(), std::vector<uint8_t>(8, 1), true);
    writer.close();
    EXPECT_EQ(chunksOf(dir / "empty.avi").size(), 1u);
}

// The handle lets another writer (the sound track) hold the file; the file
// outlives the writer that opened it and is completed by the last owner.
TEST(AviVideoWriterTest, TheFileOutlivesTheWriterWhileSomeoneElseHoldsIt) {
    TempDir dir;
    std::atomic<uint32_t> now{0};
    AviVideoWriter writer([&] { return now.load(); });
    void* handle = writer.open(dir / "s.avi");
    ASSERT_NE(handle, nullptr);
    std::shared_ptr<AviFile> held = AviFileHandles::find(handle);
    ASSERT_NE(held, nullptr);
    writeFrames(writer, now, 5, 24);
    writer.close();
    EXPECT_EQ(AviFileHandles::find(handle), nullptr) << "the handle went with the writer";

    // Opening the same file again joins the one still held.
    ASSERT_NE(writer.open(dir / "s.avi"), nullptr);
    writeFrames(writer, now, 5, 24);
    writer.close();
    AviStream* video = held->stream(kAviStreamVideo);
    ASSERT_NE(video, nullptr);
    EXPECT_GT(video->chunkCount(), 5u);
    ASSERT_TRUE(video->write(kAviAppend, std::vector<uint8_t>(8, 7), 1, false));
    held.reset();
    EXPECT_EQ(chunksOf(dir / "s.avi").size(), 11u);
}

}  // namespace
}  // namespace zemra::vid
