// libFuzzer target: an AVI file of arbitrary bytes opened to continue a
// recording, the way the video and audio engines do it: the file is opened
// for appending, each engine takes its stream (keeping the stream's own
// format) or adds a new one, writes one chunk, and the file is completed.
//
// Checked: a refused file is left exactly as it was; every chunk the parser
// found can be read; a completed file opens again with the same streams,
// formats and names, every chunk readable, and the chunks just written last
// in their streams.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/avi_file.h"
#include "platform/fuzz/scratch_dir.h"
#include "platform/testing/stream_formats.h"

namespace {
using namespace zemra;
namespace fs = std::filesystem;

// Chunks read per stream: a damaged index may point many times at one big chunk.
constexpr std::size_t kMaxChunksRead = 64;

const fuzz::ScratchDir& scratch() {
    static const fuzz::ScratchDir dir("zemra-avi-fuzz");
    return dir;
}

struct StreamShape {
    uint32_t fccType;
    std::vector<uint8_t> format;
    std::string name;
    bool operator==(const StreamShape&) const = default;
};

std::vector<StreamShape> shapeOf(AviFile& file) {
    std::vector<StreamShape> shapes;
    for (std::size_t i = 0; i < file.streamCount(); ++i) {
        const AviStream* s = file.streamAt(i);
        shapes.push_back({s->info().fccType, s->format(), s->info().name});
    }
    return shapes;
}

// Reads the first chunks of every stream; their first samples never go back.
bool chunksReadable(AviFile& file) {
    for (std::size_t i = 0; i < file.streamCount(); ++i) {
        const AviStream* s = file.streamAt(i);
        uint32_t previousStart = 0;
        for (std::size_t c = 0; c < std::min(s->chunkCount(), kMaxChunksRead); ++c) {
            std::vector<uint8_t> data;
            uint32_t start = 0;
            if (!s->readChunk(c, data, nullptr, &start) || start < previousStart) return false;
            previousStart = start;
        }
    }
    return true;
}

// One engine continuing its stream of `type`, or starting one. The index of
// the stream written to, or -1 when the engine would give up.
int continueStream(AviFile& file, uint32_t type, std::span<const uint8_t> data, uint32_t samples) {
    AviStream* stream = file.stream(type);
    if (stream) {
        const AviStreamInfo info = stream->info();
        if (type == kAviStreamVideo && (info.rate == 0 || info.scale == 0)) return -1;
        if (!stream->setFormat(info.length, stream->format())) return -1;
    } else {
        AviStreamInfo info;
        info.fccType = type;
        info.scale = 1;
        info.rate = type == kAviStreamVideo ? 1000 : 8000;
        info.name = type == kAviStreamVideo ? "meeting video" : "meeting Speech";
        stream = file.createStream(info);
        const std::vector<uint8_t> format =
            type == kAviStreamVideo ? testing::pictureFormatBytes() : testing::waveFormatBytes();
        if (!stream || !stream->setFormat(0, format)) return -1;
    }
    if (!stream->write(kAviAppend, data, samples, type == kAviStreamVideo)) return -1;
    for (std::size_t i = 0; i < file.streamCount(); ++i) {
        if (file.streamAt(i) == stream) return static_cast<int>(i);
    }
    return -1;
}

bool lastChunkIs(AviFile& file, int index, std::span<const uint8_t> expected) {
    if (index < 0) return true;
    const AviStream* s = file.streamAt(static_cast<std::size_t>(index));
    std::vector<uint8_t> data;
    return s && s->chunkCount() > 0 && s->readChunk(s->chunkCount() - 1, data) &&
           std::equal(data.begin(), data.end(), expected.begin(), expected.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    scratch().clear();
    const fs::path path = scratch().put("meeting.avi", input);

    std::string error;
    std::unique_ptr<AviFile> file = AviFile::open(path, AviFile::Mode::kReadWrite, &error);
    if (!file) {
        // Somebody's data we cannot continue: refused, never touched.
        const std::vector<uint8_t> after = fuzz::ScratchDir::contentOf(path);
        if (error.empty() || !std::equal(after.begin(), after.end(), input.begin(), input.end())) {
            __builtin_trap();
        }
        return 0;
    }

    bool ok = chunksReadable(*file);
    const std::vector<uint8_t> frame(16 * 8 * 3, 0x5A);
    const std::vector<uint8_t> sound(320, 0x11);
    const int videoAt = continueStream(*file, kAviStreamVideo, frame, 1);
    const int audioAt = continueStream(*file, kAviStreamAudio, sound, 160);
    const std::vector<StreamShape> shapes = shapeOf(*file);
    ok &= file->close();
    file.reset();

    std::unique_ptr<AviFile> reopened = AviFile::open(path, AviFile::Mode::kRead, &error);
    ok &= reopened != nullptr;
    if (reopened) {
        ok &= shapeOf(*reopened) == shapes;
        ok &= chunksReadable(*reopened);
        ok &= lastChunkIs(*reopened, videoAt, frame);
        ok &= lastChunkIs(*reopened, audioAt, sound);
    }
    if (!ok) __builtin_trap();
    return 0;
}
