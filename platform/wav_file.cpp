#include "wav_file.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/byte_order.h"

namespace zemra {
namespace {

constexpr uint32_t kHeaderBytes = 44;
// RIFF sizes are 32-bit; stop well before they wrap.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

bool readExact(std::FILE* f, uint8_t* p, size_t n) {
    return std::fread(p, 1, n, f) == n;
}

}  // namespace

std::unique_ptr<WavReader> WavReader::open(const std::filesystem::path& path, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        setError(error, "cannot open " + path.string());
        return nullptr;
    }
    auto fail = [&](const char* why) {
        std::fclose(f);
        setError(error, path.string() + ": " + why);
        return nullptr;
    };
    std::fseek(f, 0, SEEK_END);
    const long fileSize = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);

    uint8_t riff[12];
    if (!readExact(f, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return fail("not a RIFF WAVE file");
    }
    std::optional<WaveFormat> format;
    long pos = 12;
    while (pos + 8 <= fileSize) {
        uint8_t chunk[8];
        std::fseek(f, pos, SEEK_SET);
        if (!readExact(f, chunk, sizeof chunk)) break;
        const uint32_t size = getLe32(chunk + 4);
        const long body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            std::array<uint8_t, WaveFormat::kSize> bytes{};
            const size_t n = std::min<size_t>(size, bytes.size());
            if (size < 16 || !readExact(f, bytes.data(), n)) return fail("bad format chunk");
            format = WaveFormat::readFrom(std::span(bytes.data(), n));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!format) return fail("data before format");
            // A writer that died leaves a zero or oversized length: take what the file holds.
            const uint64_t available = static_cast<uint64_t>(fileSize - body);
            const uint64_t bytes = (size == 0 || size > available) ? available : size;
            std::fseek(f, body, SEEK_SET);
            return std::unique_ptr<WavReader>(new WavReader(f, *format, bytes));
        }
        pos = body + static_cast<long>(size) + (size & 1);
    }
    return fail(format ? "no data chunk" : "no format chunk");
}

WavReader::~WavReader() {
    std::fclose(file_);
}

size_t WavReader::read(std::span<uint8_t> out) {
    const uint64_t left = dataBytes_ - readBytes_;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, out.size()));
    const size_t got = std::fread(out.data(), 1, want, file_);
    readBytes_ += got;
    return got;
}

std::unique_ptr<WavWriter> WavWriter::create(const std::filesystem::path& path,
                                             const WaveFormat& format, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        setError(error, "cannot create " + path.string());
        return nullptr;
    }
    uint8_t header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    putLe32(header + 4, kHeaderBytes - 8);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putLe32(header + 16, 16);
    uint8_t fmt[WaveFormat::kSize];
    format.writeTo(fmt);
    std::memcpy(header + 20, fmt, 16);
    std::memcpy(header + 36, "data", 4);
    if (std::fwrite(header, 1, sizeof header, f) != sizeof header) {
        std::fclose(f);
        setError(error, "cannot write " + path.string());
        return nullptr;
    }
    return std::unique_ptr<WavWriter>(new WavWriter(f));
}

WavWriter::~WavWriter() {
    flush();
    std::fclose(file_);
}

bool WavWriter::write(std::span<const uint8_t> bytes) {
    if (dataBytes_ + bytes.size() > kMaxDataBytes) return false;
    const size_t n = std::fwrite(bytes.data(), 1, bytes.size(), file_);
    dataBytes_ += n;
    return n == bytes.size();
}

bool WavWriter::flush() {
    uint8_t size[4];
    const long end = std::ftell(file_);
    bool ok = true;
    putLe32(size, static_cast<uint32_t>(kHeaderBytes - 8 + dataBytes_));
    ok &= std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    putLe32(size, static_cast<uint32_t>(dataBytes_));
    ok &= std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    ok &= std::fseek(file_, end, SEEK_SET) == 0;
    return ok && std::fflush(file_) == 0;
}

std::optional<std::vector<int16_t>> readWavSamples(const std::filesystem::path& path,
                                                   WaveFormat* format) {
    auto reader = WavReader::open(path);
    if (!reader || reader->format().bitsPerSample != 16) return std::nullopt;
    if (format) *format = reader->format();
    std::vector<uint8_t> bytes(static_cast<size_t>(reader->dataBytes()));
    bytes.resize(reader->read(bytes));
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(getLe16(bytes.data() + 2 * i));
    }
    return samples;
}

bool writeWavSamples(const std::filesystem::path& path, const WaveFormat& format,
                     std::span<const int16_t> samples) {
    auto writer = WavWriter::create(path, format);
    if (!writer) return false;
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        putLe16(bytes.data() + 2 * i, static_cast<uint16_t>(samples[i]));
    }
    return writer->write(bytes) && writer->flush();
}

}  // namespace zemra
