// libFuzzer target: a snapshot file of arbitrary bytes read back as a picture,
// and the 40-byte bitmap information header on its own.
//
// Checked: the information header writes back to the bytes it was read from;
// a file that reads as a picture has its pixels all after byte 54, and writing
// that picture again gives the same file except the reserved bytes 6-9 (which
// the writer zeroes), and reads back as the same picture.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "client/store/snapshot_file.h"
#include "platform/bitmap_info_header.h"
#include "platform/fuzz/scratch_dir.h"

namespace {
using namespace zemra;
using namespace zemra::store;
namespace fs = std::filesystem;

// A 176x144 24-bit picture and its headers.
constexpr std::size_t kMaxBytes = 80 * 1024;

const fuzz::ScratchDir& scratch() {
    static const fuzz::ScratchDir dir("zemra-snapshot-fuzz");
    return dir;
}

bool headerRoundTrips(std::span<const uint8_t> bytes) {
    const auto header = BitmapInfoHeader::readFrom(bytes);
    if (!header) return bytes.size() < BitmapInfoHeader::kSize;
    uint8_t again[BitmapInfoHeader::kSize];
    header->writeTo(again);
    (void)header->rowStride();
    (void)header->imageBytes();
    return std::equal(again, again + sizeof again, bytes.begin());
}

bool pictureRoundTrips(std::span<const uint8_t> bytes) {
    const fs::path file = scratch().put("2003_10_15_09_05_07_12345.bmp", bytes);
    const auto picture = readSnapshotFile(file);
    if (!picture) return true;
    if (bytes.size() != kSnapshotPixelOffset + picture->pixels.size()) return false;
    if (picture->header.size != BitmapInfoHeader::kSize) return false;

    const fs::path copy = scratch().path() / "copy.bmp";
    if (!writeSnapshotFile(copy, picture->header, picture->pixels)) return false;
    std::vector<uint8_t> expected(bytes.begin(), bytes.end());
    std::fill(expected.begin() + 6, expected.begin() + 10, uint8_t{0});
    if (fuzz::ScratchDir::contentOf(copy) != expected) return false;
    const auto reread = readSnapshotFile(copy);
    return reread && reread->header == picture->header && reread->pixels == picture->pixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, std::min(size, kMaxBytes));
    bool ok = headerRoundTrips(bytes);
    if (bytes.size() >= kBitmapFileHeaderSize) {
        ok &= headerRoundTrips(bytes.subspan(kBitmapFileHeaderSize));
    }
    ok &= pictureRoundTrips(bytes);
    if (!ok) __builtin_trap();
    return 0;
}
