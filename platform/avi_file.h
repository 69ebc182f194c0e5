// RIFF AVI files: the recordings of calls (an audio stream of the mixed
// conversation, video streams of the pictures). Files are written in the
// standard layout (header list, "movi" list, "idx1" index) that players and
// ffprobe read, and a file opened again for writing is appended to. When
// the headers of such a file outgrow the room in front of its data, the
// file is written anew beside it and takes its place only when complete.
//
// A file and its streams may be used from several threads (the video and
// audio engines both write into one recording): every call takes the
// file's lock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/bitmap_info_header.h"

namespace zemra {

constexpr uint32_t kAviStreamAudio = makeFourCc('a', 'u', 'd', 's');
constexpr uint32_t kAviStreamVideo = makeFourCc('v', 'i', 'd', 's');
// Writing at this position appends.
constexpr uint32_t kAviAppend = 0xFFFFFFFF;

// The stream header as stored; `length` is kept by the file.
struct AviStreamInfo {
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t flags = 0;
    uint16_t priority = 0;
    uint16_t language = 0;
    uint32_t initialFrames = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t suggestedBufferSize = 0;
    uint32_t quality = 0;
    uint32_t sampleSize = 0;
    int16_t frame[4] = {};  // left, top, right, bottom
    std::string name;
};

class AviFile;

class AviStream {
  public:
    // The most positions a video stream skips in one write.
    static constexpr uint32_t kMaxSkip = 400000;

    AviStreamInfo info() const;
    uint32_t length() const;
    std::vector<uint8_t> format() const;

    // Sets the format before anything is written. Later (a reopened file
    // being appended to) only the same format is accepted.
    bool setFormat(uint32_t position, std::span<const uint8_t> format);
    // Writes one chunk holding `samples` samples at `position`, which must
    // be the stream's length (or kAviAppend). A video stream may skip
    // ahead by up to kMaxSkip: the frames in between are written empty
    // (zero-length chunks, which readers take as "no new picture").
    bool write(uint32_t position, std::span<const uint8_t> data, uint32_t samples, bool keyFrame);

    // The chunks as written, in order.
    size_t chunkCount() const;
    // False for an index out of range or a read error.
    bool readChunk(size_t index, std::vector<uint8_t>& data, bool* keyFrame = nullptr,
                   uint32_t* startSample = nullptr) const;

  private:
    friend class AviFile;
    struct Chunk {
        uint64_t offset;  // of the chunk's 8-byte header in the file
        uint32_t size;
        bool key;
        uint32_t start;  // first sample
    };
    AviStream(AviFile& file, unsigned number) : file_(file), number_(number) {}
    uint32_t chunkId() const;

    AviFile& file_;
    const unsigned number_;
    AviStreamInfo info_;
    std::vector<uint8_t> format_;
    std::vector<Chunk> chunks_;
};

class AviFile {
  public:
    enum class Mode {
        kRead,       // an existing file, read only
        kReadWrite,  // an existing file, appended to
        kCreate,     // a new file, replacing any old one
    };

    // Null with a reason in `error` when the file is missing, damaged, or
    // (for writing) laid out in a way this writer cannot append to.
    static std::unique_ptr<AviFile> open(const std::filesystem::path& path, Mode mode,
                                         std::string* error = nullptr);
    // Completes the headers and index of a file written to.
    ~AviFile();
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Completes the file now; false when that fails. Further writes fail.
    bool close();
    // True while this file is open for writing and is the file at `path`,
    // however the path is spelled.
    bool writesTo(const std::filesystem::path& path) const;

    size_t streamCount() const;
    AviStream* streamAt(size_t index);
    // The index-th stream of a type, or null.
    AviStream* stream(uint32_t fccType, unsigned index = 0);
    // Null for a read-only file or a file past the size this writer allows.
    AviStream* createStream(const AviStreamInfo& info);

  private:
    friend class AviStream;
    AviFile(std::filesystem::path path, int fd, Mode mode);

    bool parse(std::string* error);
    bool finish();
    bool writeHeaders();
    std::vector<uint8_t> headerList() const;
    bool indexChunk(std::vector<uint8_t>& index) const;
    bool rewrite(std::span<const uint8_t> header, std::span<const uint8_t> index);
    bool appendChunk(AviStream& stream, std::span<const uint8_t> data, uint32_t samples, bool key);
    bool appendEmptyChunks(AviStream& stream, uint32_t count);
    uint64_t indexBytes() const;
    bool writeAt(uint64_t offset, std::span<const uint8_t> bytes);
    bool readAt(uint64_t offset, std::span<uint8_t> bytes) const;

    std::filesystem::path path_;
    int fd_;
    Mode mode_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<AviStream>> streams_;
    uint64_t moviStart_ = 0;  // offset of the "LIST" of the movi list
    uint64_t moviEnd_ = 0;    // first byte after the movi list's last chunk
    bool dirty_ = false;
    bool closed_ = false;
};

}  // namespace zemra
