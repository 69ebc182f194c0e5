#include "snapshot_file.h"

#include <cstdio>
#include <fstream>
#include <system_error>

#include "client/store/time_text.h"
#include "platform/byte_order.h"

namespace zemra::store {
namespace fs = std::filesystem;
namespace {

constexpr uint16_t kBitmapMagic = 0x4D42;  // "BM"
// Far beyond any picture a video window holds; a bigger file is not ours.
constexpr uintmax_t kMaxFileBytes = 64u << 20;

}  // namespace

std::string snapshotStamp(const std::tm& when) {
    return formatTime(when, kStampFormat);
}

fs::path ownSnapshotPath(const fs::path& photoRoot, uint32_t userId, const std::string& stamp) {
    const std::string id = std::to_string(userId);
    return photoRoot / id / "mine" / (stamp + "_" + id + ".bmp");
}

fs::path peerSnapshotPath(const fs::path& photoRoot, uint32_t userId, uint32_t peerId,
                          const std::string& stamp) {
    return photoRoot / std::to_string(userId) / "his" /
           (stamp + "_" + std::to_string(peerId) + ".bmp");
}

std::vector<uint8_t> snapshotFileHeader(const BitmapInfoHeader& header, uint32_t pixelBytes) {
    std::vector<uint8_t> out(kSnapshotPixelOffset, 0);
    putLe16(&out[0], kBitmapMagic);
    putLe32(&out[2], pixelBytes + kSnapshotPixelOffset);
    putLe32(&out[10], kSnapshotPixelOffset);
    header.writeTo(std::span(out).subspan(kBitmapFileHeaderSize));
    return out;
}

bool writeSnapshotFile(const fs::path& file, const BitmapInfoHeader& header,
                       std::span<const uint8_t> pixels) {
    if (pixels.size() > kMaxFileBytes) return false;
    const std::vector<uint8_t> head =
        snapshotFileHeader(header, static_cast<uint32_t>(pixels.size()));
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), out) == head.size();
    if (ok && !pixels.empty()) {
        ok = std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    }
    return std::fclose(out) == 0 && ok;
}

std::optional<SnapshotPicture> readSnapshotFile(const fs::path& file) {
    std::error_code ec;
    const uintmax_t length = fs::file_size(file, ec);
    if (ec || length < kSnapshotPixelOffset || length > kMaxFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(length));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length))) {
        return std::nullopt;
    }
    if (getLe16(&bytes[0]) != kBitmapMagic || getLe32(&bytes[2]) != length ||
        getLe32(&bytes[10]) != kSnapshotPixelOffset) {
        return std::nullopt;
    }
    auto header = BitmapInfoHeader::readFrom(std::span(bytes).subspan(kBitmapFileHeaderSize));
    if (!header || header->size != BitmapInfoHeader::kSize) return std::nullopt;
    SnapshotPicture picture{
        *header, std::vector<uint8_t>(bytes.begin() + kSnapshotPixelOffset, bytes.end())};
    return picture;
}

}  // namespace zemra::store
