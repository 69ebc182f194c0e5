// The video codec manager: codec drivers are installed under a type and a
// handler FOURCC (e.g. "vidc"/"div4") with the file they live in, and opened
// by that pair for compressing or decompressing.
//
// Whatever a driver throws passes through unchanged: the engines that call
// codecs decide what a fault means for them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/icm_driver.h"

namespace zemra::icm {

inline constexpr uint32_t kTypeVideo = makeFourCc('v', 'i', 'd', 'c');

// Registers (or replaces) the driver file for a type and handler.
bool install(uint32_t fccType, uint32_t fccHandler, const std::filesystem::path& driverFile);
// False when nothing was installed for the pair.
bool remove(uint32_t fccType, uint32_t fccHandler);

class LoadedDriver;

class Codec {
  public:
    // Null when nothing is installed for the pair, the file does not load
    // or the driver refuses the mode (kIcModeCompress / kIcModeDecompress).
    static std::unique_ptr<Codec> open(uint32_t fccType, uint32_t fccHandler, uint32_t mode);

    // Closes quietly; call close() first to learn of a fault.
    ~Codec();
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    // Sends the close message; later messages answer kIcErrError.
    void close();

    intptr_t send(uint32_t message, intptr_t param1 = 0, intptr_t param2 = 0);

    intptr_t getInfo(IcInfo& info);
    intptr_t stateSize();
    intptr_t getState(void* buffer, size_t size);
    intptr_t setState(const void* buffer, size_t size);

    intptr_t compressGetFormat(const BitmapInfoHeader& input, BitmapInfoHeader& output);
    intptr_t compressGetSize(const BitmapInfoHeader& input, const BitmapInfoHeader& output);
    intptr_t compressFramesInfo(IcCompressFrames& info);
    intptr_t compressBegin(const BitmapInfoHeader& input, const BitmapInfoHeader& output);
    intptr_t compress(IcCompress& frame);
    intptr_t compressEnd();

    intptr_t decompressGetFormat(const BitmapInfoHeader& input, BitmapInfoHeader& output);
    intptr_t decompressBegin(const BitmapInfoHeader& input, const BitmapInfoHeader& output);
    intptr_t decompress(IcDecompress& frame);
    intptr_t decompressEnd();

  private:
    Codec(std::shared_ptr<LoadedDriver> driver, uintptr_t instance)
        : driver_(std::move(driver)), instance_(instance) {}

    std::shared_ptr<LoadedDriver> driver_;
    uintptr_t instance_;
};

}  // namespace zemra::icm
