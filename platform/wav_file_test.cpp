#include "platform/wav_file.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

namespace zemra {
namespace {

using zemra::testing::readFile;
using zemra::testing::TempDir;
using zemra::testing::writeFile;

TEST(WavFileTest, SamplesSurviveAWriteAndRead) {
    TempDir dir;
    const std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321};
    const WaveFormat format = WaveFormat::pcm(8000, 1, 16);
    ASSERT_TRUE(writeWavSamples(dir / "a.wav", format, samples));
    WaveFormat read;
    const auto back = readWavSamples(dir / "a.wav", &read);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, samples);
    EXPECT_EQ(read, format);
    EXPECT_EQ(read.avgBytesPerSec, 16000u);
    EXPECT_EQ(readFile(dir / "a.wav").size(), 44u + 2 * samples.size());
}

TEST(WavFileTest, AFileWhoseWriterDiedReadsToItsEnd) {
    TempDir dir;
    {
        auto writer = WavWriter::create(dir / "a.wav", WaveFormat::pcm(8000, 1, 16));
        ASSERT_NE(writer, nullptr);
        const uint8_t bytes[6] = {1, 0, 2, 0, 3, 0};
        ASSERT_TRUE(writer->write(bytes));
    }
    std::string bytes = readFile(dir / "a.wav");
    bytes[40] = bytes[41] = bytes[42] = bytes[43] = 0;  // data size never written
    writeFile(dir / "b.wav", bytes);
    EXPECT_EQ(readWavSamples(dir / "b.wav"), (std::vector<int16_t>{1, 2, 3}));
    bytes[40] = bytes[41] = bytes[42] = bytes[43] = '\xff';  // or nonsense
    writeFile(dir / "c.wav", bytes);
    EXPECT_EQ(readWavSamples(dir / "c.wav"), (std::vector<int16_t>{1, 2, 3}));
}

TEST(WavFileTest, DamagedFilesAreRefusedWithAReason) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(WavReader::open(dir / "missing.wav", &error), nullptr);
    EXPECT_FALSE(error.empty());

    writeFile(dir / "text.wav", "hello, this is not sound at all");
    EXPECT_EQ(WavReader::open(dir / "text.wav", &error), nullptr);
    EXPECT_NE(error.find("RIFF"), std::string::npos);

    ASSERT_TRUE(writeWavSamples(dir / "a.wav", WaveFormat::pcm(8000, 1, 16), {{1, 2}}));
    const std::string good = readFile(dir / "a.wav");
    writeFile(dir / "cut.wav", good.substr(0, 30));  // inside the format chunk
    EXPECT_EQ(WavReader::open(dir / "cut.wav"), nullptr);

    std::string huge = good;
    huge[16] = '\xff';  // format chunk claims 4 GB
    huge[17] = huge[18] = huge[19] = '\xff';
    writeFile(dir / "huge.wav", huge);
    EXPECT_EQ(WavReader::open(dir / "huge.wav"), nullptr);
}

}  // namespace
}  // namespace zemra
