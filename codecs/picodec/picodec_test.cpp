#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/capture_test_camera.h"
#include "platform/icm.h"

namespace zemra::icm {
namespace {

constexpr uint32_t kHandler = makeFourCc('p', 'c', 't', 's');

BitmapInfoHeader rgbFormat(int w, int h) {
    BitmapInfoHeader f;
    f.width = w;
    f.height = h;
    f.bitCount = 24;
    f.sizeImage = f.imageBytes();
    return f;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
    const double mse = sum / a.size();
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

class PicodecTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(install(makeFourCc('V', 'I', 'D', 'C'), kHandler, ZEMRA_PICODEC_PATH));
    }
    void TearDown() override { remove(kTypeVideo, kHandler); }

    // Codes `count` pattern frames of w × h; returns each coded frame and its key flag.
    std::vector<std::pair<std::vector<uint8_t>, bool>> encode(int w, int h, int count,
                                                              BitmapInfoHeader* outFormat) {
        auto codec = Codec::open(kTypeVideo, kHandler, kIcModeCompress);
        EXPECT_TRUE(codec);
        const BitmapInfoHeader in = rgbFormat(w, h);
        BitmapInfoHeader out;
        EXPECT_EQ(codec->compressGetFormat(in, out), kIcErrOk);
        const intptr_t size = codec->compressGetSize(in, out);
        EXPECT_GT(size, 0);
        IcCompressFrames info;
        info.frameCount = 0x0FFFFFFF;
        info.quality = 10000;
        info.dataRate = 0x100000;
        info.keyRate = 120;
        info.rate = 1000000;
        info.scale = 66666;
        info.flags = reinterpret_cast<uintptr_t>(&info.keyRate);
        EXPECT_EQ(codec->compressFramesInfo(info), kIcErrOk);
        EXPECT_EQ(codec->compressBegin(in, out), kIcErrOk);
        std::vector<uint8_t> picture(in.sizeImage), buffer(size);
        std::vector<std::pair<std::vector<uint8_t>, bool>> frames;
        for (int i = 0; i < count; ++i) {
            renderTestPattern({static_cast<uint16_t>(i), 1000u + i * 40}, w, h, picture.data());
            uint32_t flags = 0, ckid = 0;
            IcCompress c;
            BitmapInfoHeader o = out;
            c.outputFormat = &o;
            c.output = buffer.data();
            c.inputFormat = &in;
            c.input = picture.data();
            c.outFlags = &flags;
            c.ckid = &ckid;
            c.frameNumber = i;
            c.frameSize = 0xFFFFFF;
            EXPECT_EQ(codec->compress(c), kIcErrOk);
            frames.emplace_back(std::vector<uint8_t>(buffer.begin(), buffer.begin() + o.sizeImage),
                                (flags & kAviIfKeyFrame) != 0);
        }
        codec->compressEnd();
        codec->close();
        if (outFormat) *outFormat = out;
        return frames;
    }
};

TEST_F(PicodecTest, CodesAndDecodesThePatternCleanly) {
    BitmapInfoHeader coded;
    const auto frames = encode(352, 288, 20, &coded);
    EXPECT_EQ(coded.compression, makeFourCc('V', 'P', '8', '0'));
    ASSERT_EQ(frames.size(), 20u);
    EXPECT_TRUE(frames[0].second);
    EXPECT_FALSE(frames[1].second);

    auto codec = Codec::open(kTypeVideo, kHandler, kIcModeDecompress);
    ASSERT_TRUE(codec);
    BitmapInfoHeader in = coded;
    BitmapInfoHeader out;
    ASSERT_EQ(codec->decompressGetFormat(in, out), kIcErrOk);
    EXPECT_EQ(out.sizeImage, 352u * 288 * 3);
    ASSERT_EQ(codec->decompressBegin(in, out), kIcErrOk);
    std::vector<uint8_t> picture(out.sizeImage), expected(out.sizeImage);
    for (size_t i = 0; i < frames.size(); ++i) {
        in.sizeImage = static_cast<uint32_t>(frames[i].first.size());
        IcDecompress d;
        d.inputFormat = &in;
        d.input = frames[i].first.data();
        d.outputFormat = &out;
        d.output = picture.data();
        ASSERT_EQ(codec->decompress(d), kIcErrOk) << i;
        renderTestPattern({static_cast<uint16_t>(i), 1000u + static_cast<uint32_t>(i) * 40}, 352,
                          288, expected.data());
        EXPECT_GE(psnr(picture, expected), 30.0) << i;
        const auto stamp = readTestPatternStamp(picture.data(), 352, 288);
        ASSERT_TRUE(stamp);
        EXPECT_EQ(stamp->frameNumber, i);
    }
}

TEST_F(PicodecTest, RefusesWhatItCannotCodeOrWouldOverrun) {
    auto codec = Codec::open(kTypeVideo, kHandler, kIcModeDecompress);
    ASSERT_TRUE(codec);
    BitmapInfoHeader huge;
    huge.width = 65535;
    huge.height = 65535;
    huge.bitCount = 24;
    huge.compression = makeFourCc('V', 'P', '8', '0');
    BitmapInfoHeader out;
    EXPECT_EQ(codec->decompressGetFormat(huge, out), kIcErrBadFormat);
    EXPECT_NE(codec->decompressBegin(huge, rgbFormat(65535, 65535)), kIcErrOk);

    // A stream of another size than the decoder was begun for is refused,
    // not written past the picture.
    BitmapInfoHeader coded;
    const auto frames = encode(352, 288, 1, &coded);
    BitmapInfoHeader small = coded;
    small.width = 176;
    small.height = 144;
    ASSERT_EQ(codec->decompressGetFormat(small, out), kIcErrOk);
    ASSERT_EQ(codec->decompressBegin(small, out), kIcErrOk);
    std::vector<uint8_t> picture(out.sizeImage);
    small.sizeImage = static_cast<uint32_t>(frames[0].first.size());
    IcDecompress d;
    d.inputFormat = &small;
    d.input = frames[0].first.data();
    d.outputFormat = &out;
    d.output = picture.data();
    EXPECT_EQ(codec->decompress(d), kIcErrBadFormat);

    std::vector<uint8_t> garbage(500, 0x5A);
    small.sizeImage = static_cast<uint32_t>(garbage.size());
    d.input = garbage.data();
    EXPECT_NE(codec->decompress(d), kIcErrOk);

    auto compressor = Codec::open(kTypeVideo, kHandler, kIcModeCompress);
    BitmapInfoHeader palette = rgbFormat(352, 288);
    palette.bitCount = 8;
    EXPECT_EQ(compressor->compressGetFormat(palette, out), kIcErrBadFormat);
}

TEST_F(PicodecTest, AKeyFrameAnnouncingAnotherSizeIsRefusedUnreadAndTheStreamGoesOn) {
    BitmapInfoHeader coded;
    const auto frames = encode(176, 144, 2, &coded);
    auto codec = Codec::open(kTypeVideo, kHandler, kIcModeDecompress);
    ASSERT_TRUE(codec);
    BitmapInfoHeader out;
    ASSERT_EQ(codec->decompressGetFormat(coded, out), kIcErrOk);
    ASSERT_EQ(codec->decompressBegin(coded, out), kIcErrOk);
    std::vector<uint8_t> picture(out.sizeImage);
    IcDecompress d;
    d.inputFormat = &coded;
    d.outputFormat = &out;
    d.output = picture.data();

    // A partner's key frame claiming 16000 x 16000: the codec library would
    // size its buffers to that (gigabytes) before any check of its own.
    std::vector<uint8_t> claim = frames[0].first;
    ASSERT_GE(claim.size(), 10u);
    ASSERT_EQ(claim[0] & 1, 0) << "the first frame is a key frame";
    claim[6] = 16000 & 0xFF;
    claim[7] = 16000 >> 8;
    claim[8] = 16000 & 0xFF;
    claim[9] = 16000 >> 8;
    d.input = claim.data();
    coded.sizeImage = static_cast<uint32_t>(claim.size());
    EXPECT_EQ(codec->decompress(d), kIcErrBadFormat);

    for (const auto& [bytes, key] : frames) {
        d.input = bytes.data();
        coded.sizeImage = static_cast<uint32_t>(bytes.size());
        EXPECT_EQ(codec->decompress(d), kIcErrOk);
    }
}

TEST_F(PicodecTest, StateBlockRoundTrips) {
    auto codec = Codec::open(kTypeVideo, kHandler, kIcModeCompress);
    ASSERT_TRUE(codec);
    const intptr_t size = codec->stateSize();
    ASSERT_GT(size, 0);
    std::vector<uint8_t> state(size);
    EXPECT_EQ(codec->getState(state.data(), state.size()), size);
    EXPECT_EQ(codec->setState(state.data(), state.size()), size);
    std::vector<uint8_t> bogus(size, 0);
    EXPECT_EQ(codec->setState(bogus.data(), bogus.size()), 0);
    IcInfo info;
    EXPECT_EQ(codec->getInfo(info), static_cast<intptr_t>(sizeof info));
    EXPECT_STREQ(info.name, "picodec");
}

TEST(IcmTest, OpensOnlyWhatIsInstalled) {
    EXPECT_FALSE(Codec::open(kTypeVideo, makeFourCc('n', 'o', 'n', 'e'), kIcModeCompress));
    ASSERT_TRUE(install(kTypeVideo, makeFourCc('b', 'a', 'd', '0'), "/nonexistent/driver.so"));
    EXPECT_FALSE(Codec::open(kTypeVideo, makeFourCc('b', 'a', 'd', '0'), kIcModeCompress));
    EXPECT_TRUE(remove(kTypeVideo, makeFourCc('B', 'A', 'D', '0')));
    EXPECT_FALSE(remove(kTypeVideo, makeFourCc('b', 'a', 'd', '0')));
}

}  // namespace
}  // namespace zemra::icm
