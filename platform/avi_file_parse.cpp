// Reading the layout of an existing AVI file. Every size and offset comes
// from the file, so each is checked against the bounds of what holds it;
// index entries that point outside the data are dropped.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/avi_file.h"
#include "platform/byte_order.h"
#include "platform/wave_format.h"

namespace zemra {
namespace {

constexpr size_t kMaxFormatBytes = 1 << 16;
constexpr size_t kMaxNameBytes = 256;

bool isId(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// The stream number of a chunk ID such as "01wb", or -1.
int streamNumber(const uint8_t* id) {
    if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9') return -1;
    return (id[0] - '0') * 10 + (id[1] - '0');
}

}  // namespace

bool AviFile::parse(std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = path_.string() + ": " + why;
        return false;
    };
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return fail("cannot read");
    const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
    uint8_t riff[12];
    if (!readAt(0, riff) || !isId(riff, "RIFF") || !isId(riff + 8, "AVI ")) {
        return fail("not an AVI file");
    }
    const uint64_t riffEnd = std::min<uint64_t>(fileSize, 8ull + getLe32(riff + 4));

    bool haveHeader = false;
    bool haveMovi = false;
    bool strayAfterMovi = false;
    uint64_t indexAt = 0;
    uint32_t indexBytes = 0;
    uint64_t pos = 12;
    while (pos + 8 <= riffEnd) {
        uint8_t h[12];
        if (!readAt(pos, std::span(h, 8))) return fail("cannot read");
        const uint32_t size = getLe32(h + 4);
        const uint64_t body = pos + 8;
        uint64_t end = body + size;
        if (isId(h, "LIST") && size >= 4) {
            if (!readAt(body, std::span(h + 8, 4))) return fail("cannot read");
            if (isId(h + 8, "movi")) {
                // A recording cut short still holds its chunks.
                end = std::min(end, riffEnd);
                moviStart_ = pos;
                moviEnd_ = end;
                haveMovi = true;
            } else if (isId(h + 8, "hdrl")) {
                if (end > riffEnd) return fail("header list cut short");
                std::vector<uint8_t> list(size - 4);
                if (!readAt(body + 4, list)) return fail("cannot read");
                // Stream lists, each with strh, strf and an optional strn.
                size_t at = 0;
                while (at + 8 <= list.size()) {
                    const uint32_t n = getLe32(&list[at + 4]);
                    if (n > list.size() - at - 8) return fail("damaged header list");
                    if (isId(&list[at], "LIST") && n >= 4 && isId(&list[at + 8], "strl")) {
                        if (streams_.size() >= 100) return fail("too many streams");
                        auto stream = std::unique_ptr<AviStream>(
                            new AviStream(*this, static_cast<unsigned>(streams_.size())));
                        size_t in = at + 12;
                        const size_t inEnd = at + 8 + n;
                        bool haveStrh = false;
                        while (in + 8 <= inEnd) {
                            const uint32_t m = getLe32(&list[in + 4]);
                            if (m > inEnd - in - 8) return fail("damaged stream header");
                            const uint8_t* b = &list[in + 8];
                            if (isId(&list[in], "strh") && m >= 48) {
                                AviStreamInfo& i = stream->info_;
                                i.fccType = getLe32(b);
                                i.fccHandler = getLe32(b + 4);
                                i.flags = getLe32(b + 8);
                                i.priority = getLe16(b + 12);
                                i.language = getLe16(b + 14);
                                i.initialFrames = getLe32(b + 16);
                                i.scale = getLe32(b + 20);
                                i.rate = getLe32(b + 24);
                                i.start = getLe32(b + 28);
                                i.length = getLe32(b + 32);
                                i.suggestedBufferSize = getLe32(b + 36);
                                i.quality = getLe32(b + 40);
                                i.sampleSize = getLe32(b + 44);
                                for (int k = 0; k < 4 && m >= 56; ++k) {
                                    i.frame[k] = static_cast<int16_t>(getLe16(b + 48 + 2 * k));
                                }
                                haveStrh = true;
                            } else if (isId(&list[in], "strf")) {
                                if (m > kMaxFormatBytes) return fail("format too large");
                                stream->format_.assign(b, b + m);
                            } else if (isId(&list[in], "strn")) {
                                const size_t len = std::min<size_t>(m, kMaxNameBytes);
                                stream->info_.name.assign(
                                    reinterpret_cast<const char*>(b),
                                    strnlen(reinterpret_cast<const char*>(b), len));
                            }
                            in += 8 + m + (m & 1);
                        }
                        if (!haveStrh) return fail("stream without header");
                        streams_.push_back(std::move(stream));
                    }
                    at += 8 + n + (n & 1);
                }
                haveHeader = true;
            } else if (haveMovi) {
                strayAfterMovi = true;
            }
        } else if (isId(h, "idx1")) {
            indexAt = body;
            indexBytes = static_cast<uint32_t>(std::min<uint64_t>(size, riffEnd - body));
        } else if (haveMovi && !isId(h, "JUNK")) {
            strayAfterMovi = true;
        }
        pos = end + (size & 1);
    }
    if (!haveHeader) return fail("no header list");
    if (!haveMovi) return fail("no movi list");
    if (mode_ == Mode::kReadWrite && (strayAfterMovi || riffEnd < fileSize)) {
        return fail("cannot append to this layout");
    }

    auto addChunk = [&](const uint8_t* id, uint64_t offset, uint32_t size, bool key) {
        const int number = streamNumber(id);
        if (number < 0 || number >= static_cast<int>(streams_.size())) return;
        if (offset < moviStart_ + 12 || offset + 8 + size > moviEnd_) return;
        streams_[number]->chunks_.push_back({offset, size, key, 0});
    };

    bool indexed = false;
    if (indexBytes >= 16) {
        std::vector<uint8_t> index(indexBytes / 16 * 16);
        if (!readAt(indexAt, index)) return fail("cannot read index");
        // Offsets count from the "movi" tag as a rule, from the file start in some writers.
        uint64_t base = moviStart_ + 8;
        uint8_t probe[4];
        const uint64_t first = getLe32(&index[8]);
        if (!readAt(base + first, probe) || std::memcmp(probe, &index[0], 4) != 0) {
            base = readAt(first, probe) && std::memcmp(probe, &index[0], 4) == 0 ? 0 : ~0ull;
        }
        if (base != ~0ull) {
            for (size_t at = 0; at < index.size(); at += 16) {
                addChunk(&index[at], base + getLe32(&index[at + 8]), getLe32(&index[at + 12]),
                         getLe32(&index[at + 4]) & 0x10);
            }
            indexed = true;
        }
    }
    if (!indexed) {
        // No usable index: walk the data, stepping into "rec " lists.
        uint64_t at = moviStart_ + 12;
        while (at + 8 <= moviEnd_) {
            uint8_t h[8];
            if (!readAt(at, h)) break;
            const uint32_t size = getLe32(h + 4);
            if (isId(h, "LIST")) {
                at += 12;
                continue;
            }
            addChunk(h, at, size, true);
            // In 64 bits: a size near 4 GiB must not wrap the step to nothing.
            at += 8 + uint64_t{size} + (size & 1);
        }
    }

    // Chunks start on even offsets. Data that ends on an odd one (cut inside
    // a chunk, or written without the last pad byte) is continued after a pad
    // byte; otherwise what is appended, and the index behind it, is misread.
    moviEnd_ += moviEnd_ & 1;

    for (auto& s : streams_) {
        // Audio chunks hold whole blocks; every other chunk is one sample.
        uint32_t blockAlign = s->info_.sampleSize;
        if (s->info_.fccType == kAviStreamAudio) {
            if (auto f = WaveFormat::readFrom(s->format_); f && f->blockAlign) {
                blockAlign = f->blockAlign;
            }
        }
        uint32_t length = 0;
        for (auto& c : s->chunks_) {
            c.start = length;
            length += blockAlign ? c.size / blockAlign : 1;
        }
        s->info_.length = length;
    }
    return true;
}

}  // namespace zemra
