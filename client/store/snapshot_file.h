// Snapshot pictures taken during a call, stored as bitmap files:
//   <photoRoot>/<id>/mine/<stamp>_<id>.bmp    the own picture
//   <photoRoot>/<id>/his/<stamp>_<peer>.bmp   the other party's picture
// with the local time as "%Y_%m_%d_%H_%M_%S", so a second save within the
// same second replaces the first file.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/bitmap_info_header.h"

namespace zemra::store {

inline constexpr uint32_t kBitmapFileHeaderSize = 14;
inline constexpr uint32_t kSnapshotPixelOffset = kBitmapFileHeaderSize + BitmapInfoHeader::kSize;

struct SnapshotPicture {
    BitmapInfoHeader header;
    std::vector<uint8_t> pixels;
};

// The file-name stamp of a local time.
std::string snapshotStamp(const std::tm& when);

std::filesystem::path ownSnapshotPath(const std::filesystem::path& photoRoot, uint32_t userId,
                                      const std::string& stamp);
std::filesystem::path peerSnapshotPath(const std::filesystem::path& photoRoot, uint32_t userId,
                                       uint32_t peerId, const std::string& stamp);

// The 54-byte file header (file and information header) for a picture of
// `pixelBytes` bytes.
std::vector<uint8_t> snapshotFileHeader(const BitmapInfoHeader& header, uint32_t pixelBytes);

// Writes (replacing) a bitmap file: the headers, then the pixel bytes as
// given. False when the file cannot be created or written.
bool writeSnapshotFile(const std::filesystem::path& file, const BitmapInfoHeader& header,
                       std::span<const uint8_t> pixels);

// Reads a file written as above. nullopt unless it starts with "BM", its
// stated size is its length, its pixels start at byte 54 and its information
// header is 40 bytes long.
std::optional<SnapshotPicture> readSnapshotFile(const std::filesystem::path& file);

}  // namespace zemra::store
