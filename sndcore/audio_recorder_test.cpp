#include "sndcore/audio_recorder.h"

#include <gtest/gtest.h>

#include "platform/testing/ffprobe.h"
#include "platform/testing/temp_dir.h"
#include "platform/wave_format.h"

namespace zemra::snd {
namespace {

using zemra::testing::TempDir;

std::vector<uint8_t> block(uint8_t value) {
    return std::vector<uint8_t>(640, value);
}

TEST(AudioRecorderTest, GathersASecondPerChunkAtTheEndOfTheStream) {
    TempDir dir;
    std::shared_ptr<AviFile> file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
    AudioRecorder recorder;
    EXPECT_FALSE(recorder.append(block(1).data(), 640, 320)) << "not recording";
    ASSERT_TRUE(recorder.start(file));
    EXPECT_TRUE(recorder.hasFile());
    AviStream* stream = file->stream(kAviStreamAudio);
    ASSERT_NE(stream, nullptr);
    const AviStreamInfo info = stream->info();
    EXPECT_EQ(info.scale, 2u);
    EXPECT_EQ(info.rate, 16000u);
    EXPECT_EQ(info.suggestedBufferSize, 16000u);
    EXPECT_EQ(info.sampleSize, 0u);
    EXPECT_EQ(info.quality, 0u);
    EXPECT_EQ(info.fccHandler, 0u);
    EXPECT_EQ(info.name, "meeting Speech");
    const auto format = WaveFormat::readFrom(stream->format());
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(*format, WaveFormat::pcm(8000, 1, 16));
    EXPECT_EQ(stream->format().size(), 18u);

    for (int i = 0; i < 25; ++i) ASSERT_TRUE(recorder.append(block(uint8_t(i)).data(), 640, 320));
    EXPECT_EQ(stream->chunkCount(), 0u) << "exactly one second still fits";
    ASSERT_TRUE(recorder.append(block(25).data(), 640, 320));
    EXPECT_EQ(stream->chunkCount(), 1u);
    EXPECT_EQ(stream->length(), 8000u);
    recorder.stop();
    EXPECT_FALSE(recorder.hasFile());
    EXPECT_EQ(stream->chunkCount(), 2u);
    EXPECT_EQ(stream->length(), 8320u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(stream->readChunk(1, data));
    EXPECT_EQ(data, block(25));
    EXPECT_FALSE(recorder.append(block(1).data(), 640, 320));

    // Started again on the same file: the same stream goes on.
    ASSERT_TRUE(recorder.start(file));
    recorder.append(block(9).data(), 640, 320);
    recorder.stop();
    EXPECT_EQ(file->streamCount(), 1u);
    EXPECT_EQ(stream->length(), 8640u);
}

// Whoever opened the file may let go of it while the sound still runs:
// the recorder keeps writing and completes the file when it stops.
TEST(AudioRecorderTest, TheFileLastsUntilTheRecorderStops) {
    TempDir dir;
    std::shared_ptr<AviFile> file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
    AudioRecorder recorder;
    ASSERT_TRUE(recorder.start(file));
    std::weak_ptr<AviFile> watch = file;
    file.reset();
    ASSERT_FALSE(watch.expired()) << "the recorder holds it";
    for (int i = 0; i < 75; ++i) ASSERT_TRUE(recorder.append(block(uint8_t(i)).data(), 640, 320));
    recorder.stop();
    EXPECT_TRUE(watch.expired()) << "completed and released on stop";

    const auto streams = zemra::testing::probeStreams(dir / "a.avi");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("codec_type"), "audio");
    EXPECT_NEAR(std::stod(streams[0].at("duration")), 3.0, 1e-3);
}

TEST(AudioRecorderTest, AFileThatCannotTakeAStreamIsRefused) {
    TempDir dir;
    AudioRecorder recorder;
    EXPECT_FALSE(recorder.start(nullptr));
    { AviFile::open(dir / "a.avi", AviFile::Mode::kCreate); }
    std::shared_ptr<AviFile> readOnly = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(recorder.start(readOnly));
    EXPECT_FALSE(recorder.hasFile());
    EXPECT_FALSE(recorder.append(block(1).data(), 640, 320));
}

}  // namespace
}  // namespace zemra::snd
