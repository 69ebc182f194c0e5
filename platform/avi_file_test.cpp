#include "platform/avi_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "platform/byte_order.h"
#include "platform/testing/crash_child.h"
#include "platform/testing/ffprobe.h"
#include "platform/testing/stream_formats.h"
#include "platform/testing/temp_dir.h"

namespace zemra {
namespace {

using zemra::testing::readFile;
using zemra::testing::TempDir;
using zemra::testing::writeFile;

using zemra::testing::pictureFormatBytes;
using zemra::testing::probeStreams;
using zemra::testing::waveFormatBytes;

AviStreamInfo audioInfo() {
    AviStreamInfo info;
    info.fccType = kAviStreamAudio;
    info.scale = 2;
    info.rate = 16000;
    info.suggestedBufferSize = 16000;
    info.name = "meeting Speech";
    return info;
}

AviStreamInfo videoInfo() {
    AviStreamInfo info;
    info.fccType = kAviStreamVideo;
    info.fccHandler = makeFourCc('D', 'I', 'B', ' ');
    info.scale = 1;
    info.rate = 10;
    info.frame[2] = 16;
    info.frame[3] = 8;
    return info;
}

std::vector<uint8_t> pcm(size_t samples, int16_t first) {
    std::vector<uint8_t> bytes(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<uint16_t>(first + static_cast<int16_t>(i));
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return bytes;
}

std::vector<uint8_t> picture(uint8_t shade) {
    return std::vector<uint8_t>(16 * 8 * 3, shade);
}

TEST(AviFileTest, AudioAndVideoStreamsAreReadByFfprobe) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        ASSERT_NE(file, nullptr);
        AviStream* video = file->createStream(videoInfo());
        AviStream* audio = file->createStream(audioInfo());
        ASSERT_TRUE(video && audio);
        ASSERT_TRUE(video->setFormat(0, pictureFormatBytes()));
        ASSERT_TRUE(audio->setFormat(0, waveFormatBytes()));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(video->write(video->length(), picture(uint8_t(i * 20)), 1, i % 5 == 0));
        }
        ASSERT_TRUE(audio->write(0, pcm(8000, 0), 8000, false));
        ASSERT_TRUE(audio->write(kAviAppend, pcm(4000, 7), 4000, false));
        EXPECT_EQ(audio->length(), 12000u);
        EXPECT_FALSE(audio->write(100, pcm(10, 0), 10, false)) << "only at the end";
        EXPECT_TRUE(file->close());
    }
    const auto streams = probeStreams(dir / "a.avi");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].at("codec_type"), "video");
    EXPECT_EQ(streams[0].at("width"), "16");
    EXPECT_EQ(streams[0].at("height"), "8");
    EXPECT_EQ(streams[0].at("nb_read_packets"), "10");
    EXPECT_EQ(streams[1].at("codec_type"), "audio");
    EXPECT_EQ(streams[1].at("codec_name"), "pcm_s16le");
    EXPECT_EQ(streams[1].at("sample_rate"), "8000");
    EXPECT_EQ(streams[1].at("channels"), "1");
    EXPECT_NEAR(std::stod(streams[1].at("duration")), 1.5, 1e-3);
}

TEST(AviFileTest, AReopenedFileShowsItsStreamsAndIsAppendedTo) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* video = file->createStream(videoInfo());
        video->setFormat(0, pictureFormatBytes());
        for (int i = 0; i < 3; ++i) video->write(kAviAppend, picture(uint8_t(i)), 1, i == 0);
    }
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
        ASSERT_NE(file, nullptr);
        AviStream* video = file->stream(kAviStreamVideo);
        ASSERT_NE(video, nullptr);
        EXPECT_EQ(file->stream(kAviStreamAudio), nullptr);
        EXPECT_EQ(video->length(), 3u);
        EXPECT_EQ(video->format(), pictureFormatBytes());
        EXPECT_EQ(video->info().rate, 10u);
        std::vector<uint8_t> data;
        bool key = false;
        ASSERT_TRUE(video->readChunk(1, data, &key));
        EXPECT_EQ(data, picture(1));
        EXPECT_FALSE(key);
        ASSERT_TRUE(video->readChunk(0, data, &key));
        EXPECT_TRUE(key);
        EXPECT_FALSE(video->write(kAviAppend, picture(9), 1, true)) << "read only";
    }
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kReadWrite);
        ASSERT_NE(file, nullptr);
        AviStream* video = file->stream(kAviStreamVideo);
        EXPECT_TRUE(video->setFormat(video->length(), pictureFormatBytes()));
        EXPECT_FALSE(video->setFormat(video->length(), waveFormatBytes())) << "format change";
        // Frames 3 and 4 were skipped: they are written empty.
        ASSERT_TRUE(video->write(5, picture(5), 1, true));
        EXPECT_EQ(video->length(), 6u);
        // A stream added later needs more header room than is left? It still fits or moves.
        AviStream* audio = file->createStream(audioInfo());
        ASSERT_TRUE(audio->setFormat(0, waveFormatBytes()));
        ASSERT_TRUE(audio->write(0, pcm(800, 3), 800, false));
    }
    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    AviStream* video = file->stream(kAviStreamVideo);
    ASSERT_EQ(video->chunkCount(), 6u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(video->readChunk(3, data));
    EXPECT_TRUE(data.empty());
    ASSERT_TRUE(video->readChunk(5, data));
    EXPECT_EQ(data, picture(5));
    ASSERT_TRUE(file->stream(kAviStreamAudio)->readChunk(0, data));
    EXPECT_EQ(data, pcm(800, 3));
    EXPECT_EQ(file->stream(kAviStreamAudio)->info().name, "meeting Speech");
    const auto streams = probeStreams(dir / "a.avi");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].at("codec_name"), "pcm_s16le");
    EXPECT_NEAR(std::stod(streams[1].at("duration")), 0.1, 1e-3);
}

// A video recording that had no pictures for an hour holds the hour as
// empty chunks; a position further off than a stream may skip is refused
// at once, without writing anything.
TEST(AviFileTest, AVideoStreamSkipsLongPausesButNotWithoutBound) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* video = file->createStream(videoInfo());
        ASSERT_TRUE(video->setFormat(0, pictureFormatBytes()));
        ASSERT_TRUE(video->write(0, picture(1), 1, true));
        ASSERT_TRUE(video->write(36000, picture(2), 1, true));  // an hour at 10 per second
        EXPECT_EQ(video->length(), 36001u);
        EXPECT_FALSE(video->write(36001 + AviStream::kMaxSkip + 1, picture(3), 1, true));
        EXPECT_FALSE(video->write(0xFFFFFFF0, picture(3), 1, true));
        EXPECT_EQ(video->length(), 36001u);
        ASSERT_TRUE(video->write(kAviAppend, picture(4), 1, false));
    }
    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    AviStream* video = file->stream(kAviStreamVideo);
    ASSERT_EQ(video->chunkCount(), 36002u);
    std::vector<uint8_t> data;
    uint32_t start = 0;
    ASSERT_TRUE(video->readChunk(36000, data, nullptr, &start));
    EXPECT_EQ(data, picture(2));
    EXPECT_EQ(start, 36000u);
    ASSERT_TRUE(video->readChunk(17000, data));
    EXPECT_TRUE(data.empty());
    const auto streams = probeStreams(dir / "a.avi");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].at("nb_read_packets"), "3");
    EXPECT_NEAR(std::stod(streams[0].at("duration")), 3600.2, 1e-3);
}

TEST(AviFileTest, HeadersOutgrowingTheirRoomMoveTheData) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* audio = file->createStream(audioInfo());
        audio->setFormat(0, waveFormatBytes());
        audio->write(0, pcm(1000, 11), 1000, false);
    }
    for (int round = 0; round < 3; ++round) {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kReadWrite);
        ASSERT_NE(file, nullptr);
        for (int i = 0; i < 8; ++i) {
            AviStreamInfo info = videoInfo();
            info.name = std::string(100, char('a' + i));
            AviStream* video = file->createStream(info);
            ASSERT_NE(video, nullptr);
            video->setFormat(0, pictureFormatBytes());
            video->write(0, picture(uint8_t(round * 10 + i)), 1, true);
        }
    }
    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->streamCount(), 25u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(file->stream(kAviStreamAudio)->readChunk(0, data));
    EXPECT_EQ(data, pcm(1000, 11));
    ASSERT_TRUE(file->stream(kAviStreamVideo, 23)->readChunk(0, data));
    EXPECT_EQ(data, picture(27));
    EXPECT_EQ(probeStreams(dir / "a.avi").size(), 25u);
}

// Headers that outgrow their room make the file be written anew; a crash
// with the new file complete but not yet in place leaves the recording that
// was there, readable, under its name.
TEST(AviFileTest, ACrashWhileTheFileIsWrittenAnewLeavesTheOldRecording) {
    TempDir dir;
    const auto path = dir / "call.avi";
    {
        auto file = AviFile::open(path, AviFile::Mode::kCreate);
        AviStream* audio = file->createStream(audioInfo());
        audio->setFormat(0, waveFormatBytes());
        for (int i = 0; i < 4; ++i) audio->write(kAviAppend, pcm(2000, int16_t(i)), 2000, false);
    }
    const auto before = probeStreams(path);
    ASSERT_EQ(before.size(), 1u);

    // A call appended to it, with eight more streams whose headers no longer fit.
    const auto appendCall = [&] {
        auto file = AviFile::open(path, AviFile::Mode::kReadWrite);
        if (!file) return;
        file->stream(kAviStreamAudio)->write(kAviAppend, pcm(2000, 99), 2000, false);
        for (int i = 0; i < 8; ++i) {
            AviStreamInfo info = videoInfo();
            info.name = std::string(200, char('a' + i));
            AviStream* video = file->createStream(info);
            video->setFormat(0, pictureFormatBytes());
            video->write(0, picture(uint8_t(i)), 1, true);
        }
        file->close();
    };
    ASSERT_EQ(testing::crashBeforeRename(appendCall), testing::kCrashedExitCode);

    const auto after = probeStreams(path);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].at("codec_name"), "pcm_s16le");
    EXPECT_EQ(after[0].at("duration"), before[0].at("duration"));
    auto file = AviFile::open(path, AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->streamCount(), 1u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(file->stream(kAviStreamAudio)->readChunk(3, data));
    EXPECT_EQ(data, pcm(2000, 3));

    // The new file was already whole, headers and all, before it was to take the name.
    std::vector<std::filesystem::path> others;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path() != path) others.push_back(entry.path());
    }
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(probeStreams(others[0]).size(), 9u);
}

TEST(AviFileTest, DamagedFilesFailOrKeepWhatIsIntact) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* audio = file->createStream(audioInfo());
        audio->setFormat(0, waveFormatBytes());
        for (int i = 0; i < 4; ++i) audio->write(kAviAppend, pcm(500, int16_t(i)), 500, false);
    }
    const std::string good = readFile(dir / "a.avi");
    std::string error;
    EXPECT_EQ(AviFile::open(dir / "none.avi", AviFile::Mode::kRead, &error), nullptr);
    writeFile(dir / "text.avi", "RIFF....WAVEfmt ");
    EXPECT_EQ(AviFile::open(dir / "text.avi", AviFile::Mode::kRead, &error), nullptr);
    EXPECT_FALSE(error.empty());

    // Every cut through the header either fails cleanly or reads.
    for (size_t cut = 0; cut < 400; cut += 7) {
        writeFile(dir / "cut.avi", good.substr(0, cut));
        auto file = AviFile::open(dir / "cut.avi", AviFile::Mode::kRead);
        if (file) {
            EXPECT_LE(file->streamCount(), 1u);
        }
    }
    // Cut inside the data: the index is gone, the whole chunks are found by walking.
    writeFile(dir / "short.avi", good.substr(0, good.size() - 64 - 500));
    auto file = AviFile::open(dir / "short.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->stream(kAviStreamAudio)->chunkCount(), 3u);

    // Index entries pointing anywhere are dropped, not followed.
    std::string bent = good;
    const size_t index = bent.rfind("idx1");
    ASSERT_NE(index, std::string::npos);
    for (size_t i = index + 8 + 8; i + 4 <= bent.size(); i += 16)
        bent.replace(i, 4, "\xff\xff\xff\x7f");
    writeFile(dir / "bent.avi", bent);
    file = AviFile::open(dir / "bent.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> data;
    for (size_t i = 0; i < file->stream(kAviStreamAudio)->chunkCount(); ++i) {
        EXPECT_TRUE(file->stream(kAviStreamAudio)->readChunk(i, data));
    }

    // Random bytes over the header never crash the reader.
    std::string noisy = good;
    for (size_t i = 12; i < 300; i += 13) noisy[i] = static_cast<char>(i * 37);
    writeFile(dir / "noisy.avi", noisy);
    AviFile::open(dir / "noisy.avi", AviFile::Mode::kRead);
}

TEST(AviFileTest, DataEndingOnAnOddByteIsContinuedOnAnEvenOne) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* video = file->createStream(videoInfo());
        video->setFormat(0, pictureFormatBytes());
        video->write(0, std::vector<uint8_t>(23, 0x11), 1, true);
    }
    // As another writer leaves it: no pad byte after the odd chunk, no index.
    std::string odd = readFile(dir / "a.avi");
    odd.resize(odd.rfind("idx1") - 1);
    const size_t movi = odd.find("movi");
    putLe32(reinterpret_cast<uint8_t*>(&odd[4]), static_cast<uint32_t>(odd.size() - 8));
    putLe32(reinterpret_cast<uint8_t*>(&odd[movi - 4]), static_cast<uint32_t>(odd.size() - movi));
    writeFile(dir / "a.avi", odd);
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kReadWrite);
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->stream(kAviStreamVideo)->write(kAviAppend, picture(0x22), 1, true));
    }
    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    AviStream* video = file->stream(kAviStreamVideo);
    ASSERT_EQ(video->chunkCount(), 2u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(video->readChunk(0, data));
    EXPECT_EQ(data, std::vector<uint8_t>(23, 0x11));
    ASSERT_TRUE(video->readChunk(1, data));
    EXPECT_EQ(data, picture(0x22));
}

TEST(AviFileTest, AChunkSizeNearFourGigabytesEndsTheWalkThroughTheData) {
    TempDir dir;
    {
        auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kCreate);
        AviStream* video = file->createStream(videoInfo());
        video->setFormat(0, pictureFormatBytes());
        video->write(0, picture(0x11), 1, true);
    }
    // No index, and behind the frame a chunk whose size wraps a 32-bit step to 0.
    std::string bad = readFile(dir / "a.avi");
    bad.resize(bad.rfind("idx1"));
    bad += "00dc";
    bad += std::string("\xf8\xff\xff\xff", 4);
    const size_t movi = bad.find("movi");
    putLe32(reinterpret_cast<uint8_t*>(&bad[4]), static_cast<uint32_t>(bad.size() - 8));
    putLe32(reinterpret_cast<uint8_t*>(&bad[movi - 4]), static_cast<uint32_t>(bad.size() - movi));
    writeFile(dir / "a.avi", bad);

    // In a child, so that a reader going round in circles fails instead of hanging.
    const int code = zemra::testing::exitCodeOfChild([&] {
        ::alarm(5);
        ::_exit(AviFile::open(dir / "a.avi", AviFile::Mode::kRead) ? 0 : 1);
    });
    ASSERT_EQ(code, 0);
    auto file = AviFile::open(dir / "a.avi", AviFile::Mode::kRead);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->stream(kAviStreamVideo)->chunkCount(), 1u);
}

}  // namespace
}  // namespace zemra
