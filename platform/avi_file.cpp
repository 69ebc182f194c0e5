#include "avi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/file_replacement.h"
#include "platform/wave_format.h"

namespace zemra {
namespace {

// Room left for the header list in a new file, so that streams added later
// (or on reopening) seldom force the data to move.
constexpr uint64_t kNewMoviStart = 2048;
// Readers treat RIFF sizes as signed; stay below 2 GiB.
constexpr uint64_t kMaxFileBytes = 0x7FFFFFFF;
constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kKeyFrame = 0x10;

// Grows `out` by n bytes and returns where they start.
uint8_t* grow(std::vector<uint8_t>& out, size_t n) {
    out.resize(out.size() + n);
    return out.data() + out.size() - n;
}

void putFourCc(std::vector<uint8_t>& out, const char* id) {
    std::memcpy(grow(out, 4), id, 4);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    putLe32(grow(out, 4), v);
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    putLe16(grow(out, 2), v);
}

// Appends a chunk with an even-padded body.
void putChunk(std::vector<uint8_t>& out, const char* id, std::span<const uint8_t> body) {
    putFourCc(out, id);
    put32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
}

std::vector<uint8_t> listOf(const char* type, const std::vector<uint8_t>& content) {
    std::vector<uint8_t> out;
    putFourCc(out, "LIST");
    put32(out, static_cast<uint32_t>(content.size() + 4));
    putFourCc(out, type);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

std::vector<uint8_t> streamHeader(const AviStreamInfo& i) {
    std::vector<uint8_t> h;
    put32(h, i.fccType);
    put32(h, i.fccHandler);
    put32(h, i.flags);
    put16(h, i.priority);
    put16(h, i.language);
    put32(h, i.initialFrames);
    put32(h, i.scale);
    put32(h, i.rate);
    put32(h, i.start);
    put32(h, i.length);
    put32(h, i.suggestedBufferSize);
    put32(h, i.quality);
    put32(h, i.sampleSize);
    for (int16_t v : i.frame) put16(h, static_cast<uint16_t>(v));
    return h;
}

bool pwriteAll(int fd, uint64_t offset, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The head of the file (RIFF, header list, JUNK, movi list header) and the
// index behind the data, for data laid out from moviStart to moviEnd.
bool writeHeadAndIndex(int fd, std::span<const uint8_t> header, std::span<const uint8_t> index,
                       uint64_t moviStart, uint64_t moviEnd) {
    const uint64_t used = 12 + header.size();
    const uint64_t fileEnd = moviEnd + index.size();
    std::vector<uint8_t> head;
    putFourCc(head, "RIFF");
    put32(head, static_cast<uint32_t>(fileEnd - 8));
    putFourCc(head, "AVI ");
    head.insert(head.end(), header.begin(), header.end());
    if (moviStart > used) {
        putFourCc(head, "JUNK");
        put32(head, static_cast<uint32_t>(moviStart - used - 8));
        head.resize(moviStart, 0);
    }
    putFourCc(head, "LIST");
    put32(head, static_cast<uint32_t>(moviEnd - moviStart - 8));
    putFourCc(head, "movi");
    return pwriteAll(fd, 0, head) && pwriteAll(fd, moviEnd, index) &&
           ::ftruncate(fd, static_cast<off_t>(fileEnd)) == 0;
}

}  // namespace

AviStreamInfo AviStream::info() const {
    std::lock_guard lock(file_.mutex_);
    return info_;
}

uint32_t AviStream::length() const {
    std::lock_guard lock(file_.mutex_);
    return info_.length;
}

std::vector<uint8_t> AviStream::format() const {
    std::lock_guard lock(file_.mutex_);
    return format_;
}

uint32_t AviStream::chunkId() const {
    const char kind[2] = {info_.fccType == kAviStreamAudio ? 'w' : 'd',
                          info_.fccType == kAviStreamAudio ? 'b' : 'c'};
    return makeFourCc(static_cast<char>('0' + number_ / 10), static_cast<char>('0' + number_ % 10),
                      kind[0], kind[1]);
}

bool AviStream::setFormat(uint32_t position, std::span<const uint8_t> format) {
    std::lock_guard lock(file_.mutex_);
    if (file_.mode_ == AviFile::Mode::kRead || file_.closed_ || format.empty()) return false;
    if (chunks_.empty() && position == 0) {
        format_.assign(format.begin(), format.end());
        file_.dirty_ = true;
        return true;
    }
    // Formats cannot change inside a stream; the same one is a no-op.
    return position <= info_.length &&
           std::equal(format.begin(), format.end(), format_.begin(), format_.end());
}

bool AviStream::write(uint32_t position, std::span<const uint8_t> data, uint32_t samples,
                      bool keyFrame) {
    std::lock_guard lock(file_.mutex_);
    if (file_.mode_ == AviFile::Mode::kRead || file_.closed_ || format_.empty()) return false;
    if (position == kAviAppend) position = info_.length;
    if (position < info_.length) return false;
    if (position > info_.length) {
        if (info_.fccType != kAviStreamVideo || position - info_.length > kMaxSkip) return false;
        if (!file_.appendEmptyChunks(*this, position - info_.length)) return false;
    }
    return file_.appendChunk(*this, data, samples, keyFrame);
}

size_t AviStream::chunkCount() const {
    std::lock_guard lock(file_.mutex_);
    return chunks_.size();
}

bool AviStream::readChunk(size_t index, std::vector<uint8_t>& data, bool* keyFrame,
                          uint32_t* startSample) const {
    std::lock_guard lock(file_.mutex_);
    if (index >= chunks_.size()) return false;
    const Chunk& c = chunks_[index];
    data.resize(c.size);
    if (!file_.readAt(c.offset + 8, data)) return false;
    if (keyFrame) *keyFrame = c.key;
    if (startSample) *startSample = c.start;
    return true;
}

AviFile::AviFile(std::filesystem::path path, int fd, Mode mode)
    : path_(std::move(path)), fd_(fd), mode_(mode) {}

std::unique_ptr<AviFile> AviFile::open(const std::filesystem::path& path, Mode mode,
                                       std::string* error) {
    const int flags = mode == Mode::kRead        ? O_RDONLY
                      : mode == Mode::kReadWrite ? O_RDWR
                                                 : O_RDWR | O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = "cannot open " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<AviFile> file(new AviFile(path, fd, mode));
    if (mode == Mode::kCreate) {
        file->moviStart_ = kNewMoviStart;
        file->moviEnd_ = kNewMoviStart + 12;
        file->dirty_ = true;
        if (!file->writeHeaders()) {
            if (error) *error = "cannot write " + path.string();
            return nullptr;
        }
        return file;
    }
    if (!file->parse(error)) {
        file->closed_ = true;  // nothing of ours to complete
        return nullptr;
    }
    return file;
}

AviFile::~AviFile() {
    close();
    ::close(fd_);
}

bool AviFile::close() {
    std::lock_guard lock(mutex_);
    if (closed_) return true;
    closed_ = true;
    return finish();
}

bool AviFile::writesTo(const std::filesystem::path& path) const {
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::kRead || closed_) return false;
    struct stat mine {};
    struct stat theirs {};
    return ::fstat(fd_, &mine) == 0 && ::stat(path.c_str(), &theirs) == 0 &&
           mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool AviFile::finish() {
    if (mode_ == Mode::kRead || !dirty_) return true;
    dirty_ = false;
    return writeHeaders() && ::fsync(fd_) == 0;
}

size_t AviFile::streamCount() const {
    std::lock_guard lock(mutex_);
    return streams_.size();
}

AviStream* AviFile::streamAt(size_t index) {
    std::lock_guard lock(mutex_);
    return index < streams_.size() ? streams_[index].get() : nullptr;
}

AviStream* AviFile::stream(uint32_t fccType, unsigned index) {
    std::lock_guard lock(mutex_);
    for (const auto& s : streams_) {
        if (s->info_.fccType == fccType && index-- == 0) return s.get();
    }
    return nullptr;
}

AviStream* AviFile::createStream(const AviStreamInfo& info) {
    std::lock_guard lock(mutex_);
    // Chunk IDs carry the stream number in two digits.
    if (mode_ == Mode::kRead || closed_ || streams_.size() >= 100) return nullptr;
    auto stream =
        std::unique_ptr<AviStream>(new AviStream(*this, static_cast<unsigned>(streams_.size())));
    stream->info_ = info;
    stream->info_.length = 0;
    streams_.push_back(std::move(stream));
    dirty_ = true;
    return streams_.back().get();
}

uint64_t AviFile::indexBytes() const {
    uint64_t bytes = 8;
    for (const auto& s : streams_) bytes += 16 * s->chunks_.size();
    return bytes;
}

bool AviFile::appendChunk(AviStream& stream, std::span<const uint8_t> data, uint32_t samples,
                          bool key) {
    const uint64_t padded = data.size() + (data.size() & 1);
    if (moviEnd_ + 8 + padded + 16 + indexBytes() > kMaxFileBytes) return false;
    std::vector<uint8_t> chunk;
    chunk.reserve(8 + padded);
    put32(chunk, stream.chunkId());
    put32(chunk, static_cast<uint32_t>(data.size()));
    chunk.insert(chunk.end(), data.begin(), data.end());
    if (data.size() & 1) chunk.push_back(0);
    if (!writeAt(moviEnd_, chunk)) return false;
    stream.chunks_.push_back(
        {moviEnd_, static_cast<uint32_t>(data.size()), key, stream.info_.length});
    moviEnd_ += chunk.size();
    stream.info_.length += samples;
    stream.info_.suggestedBufferSize =
        std::max(stream.info_.suggestedBufferSize, static_cast<uint32_t>(data.size()));
    dirty_ = true;
    return true;
}

bool AviFile::appendEmptyChunks(AviStream& stream, uint32_t count) {
    if (moviEnd_ + uint64_t{count} * (8 + 16) + indexBytes() > kMaxFileBytes) return false;
    // Written in blocks: a long pause in a video is many thousand of them.
    constexpr uint32_t kBlock = 4096;
    std::vector<uint8_t> block;
    block.reserve(kBlock * 8);
    stream.chunks_.reserve(stream.chunks_.size() + count);
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(kBlock, count - done);
        block.clear();
        for (uint32_t i = 0; i < n; ++i) {
            put32(block, stream.chunkId());
            put32(block, 0);
        }
        if (!writeAt(moviEnd_, block)) return false;
        for (uint32_t i = 0; i < n; ++i) {
            stream.chunks_.push_back({moviEnd_ + 8 * i, 0, false, stream.info_.length + i});
        }
        moviEnd_ += block.size();
        stream.info_.length += n;
        done += n;
        dirty_ = true;
    }
    return true;
}

std::vector<uint8_t> AviFile::headerList() const {
    const AviStream* video = nullptr;
    uint32_t maxBytesPerSec = 0;
    uint32_t suggested = 0;
    for (const auto& s : streams_) {
        if (!video && s->info_.fccType == kAviStreamVideo) video = s.get();
        if (s->info_.fccType == kAviStreamAudio) {
            if (auto f = WaveFormat::readFrom(s->format_)) maxBytesPerSec += f->avgBytesPerSec;
        }
        suggested = std::max(suggested, s->info_.suggestedBufferSize);
    }
    const AviStream* first = video ? video : (streams_.empty() ? nullptr : streams_[0].get());
    std::vector<uint8_t> avih;
    put32(avih, video && video->info_.rate
                    ? static_cast<uint32_t>(1000000ull * video->info_.scale / video->info_.rate)
                    : 0);
    put32(avih, maxBytesPerSec);
    put32(avih, 0);
    put32(avih, kHasIndex);
    put32(avih, first ? first->info_.length : 0);
    put32(avih, 0);
    put32(avih, static_cast<uint32_t>(streams_.size()));
    put32(avih, suggested);
    const auto picture = video ? BitmapInfoHeader::readFrom(video->format_) : std::nullopt;
    put32(avih, picture ? static_cast<uint32_t>(std::abs(picture->width)) : 0);
    put32(avih, picture ? static_cast<uint32_t>(std::abs(picture->height)) : 0);
    for (int i = 0; i < 4; ++i) put32(avih, 0);

    std::vector<uint8_t> content;
    putChunk(content, "avih", avih);
    for (const auto& s : streams_) {
        std::vector<uint8_t> strl;
        putChunk(strl, "strh", streamHeader(s->info_));
        putChunk(strl, "strf", s->format_);
        if (!s->info_.name.empty()) {
            std::vector<uint8_t> name(s->info_.name.begin(), s->info_.name.end());
            name.push_back(0);
            putChunk(strl, "strn", name);
        }
        const auto list = listOf("strl", strl);
        content.insert(content.end(), list.begin(), list.end());
    }
    return listOf("hdrl", content);
}

bool AviFile::writeHeaders() {
    const std::vector<uint8_t> header = headerList();
    std::vector<uint8_t> index;
    if (!indexChunk(index)) return false;
    const uint64_t used = 12 + header.size();
    // The gap before the movi list is filled with a JUNK chunk, which needs 8 bytes.
    if (used > moviStart_ || (moviStart_ - used != 0 && moviStart_ - used < 8)) {
        return rewrite(header, index);
    }
    return writeHeadAndIndex(fd_, header, index, moviStart_, moviEnd_);
}

bool AviFile::indexChunk(std::vector<uint8_t>& index) const {
    std::vector<AviStream::Chunk> all;
    for (const auto& s : streams_) {
        for (const auto& c : s->chunks_) all.push_back(c);
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.offset < b.offset; });
    index.clear();
    putFourCc(index, "idx1");
    put32(index, static_cast<uint32_t>(16 * all.size()));
    for (const auto& c : all) {
        uint8_t id[4];
        if (!readAt(c.offset, id)) return false;
        index.insert(index.end(), id, id + 4);
        put32(index, c.key ? kKeyFrame : 0);
        // Relative to the movi list, so the same wherever the list starts.
        put32(index, static_cast<uint32_t>(c.offset - (moviStart_ + 8)));
        put32(index, c.size);
    }
    return true;
}

bool AviFile::rewrite(std::span<const uint8_t> header, std::span<const uint8_t> index) {
    // The headers no longer fit in front of the data: the whole file is
    // written anew with more room, and only a complete, flushed file takes
    // the old one's place, so a crash on the way leaves the old recording.
    const uint64_t newStart = (12 + header.size() + 8 + 1024 + 511) / 512 * 512;
    FileReplacement replacement(path_);
    if (replacement.fd() < 0) return false;
    std::vector<uint8_t> buffer(1 << 16);
    uint64_t from = moviStart_ + 12;
    uint64_t to = newStart + 12;
    while (from < moviEnd_) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), moviEnd_ - from));
        const std::span<uint8_t> part(buffer.data(), n);
        if (!readAt(from, part) || !pwriteAll(replacement.fd(), to, part)) return false;
        from += n;
        to += n;
    }
    const uint64_t newEnd = to;
    if (!writeHeadAndIndex(replacement.fd(), header, index, newStart, newEnd) ||
        !replacement.commit()) {
        return false;
    }
    ::close(fd_);
    fd_ = replacement.releaseFd();
    const uint64_t shift = newStart - moviStart_;
    for (auto& s : streams_) {
        for (auto& c : s->chunks_) c.offset += shift;
    }
    moviEnd_ = newEnd;
    moviStart_ = newStart;
    return true;
}

bool AviFile::writeAt(uint64_t offset, std::span<const uint8_t> bytes) {
    return pwriteAll(fd_, offset, bytes);
}

bool AviFile::readAt(uint64_t offset, std::span<uint8_t> bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace zemra
