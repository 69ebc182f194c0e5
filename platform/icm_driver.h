// The interface between the codec manager and a video codec driver: a shared
// object with one entry point, "DriverProc", that answers numbered messages.
// The message numbers, error codes and records keep the shapes codec drivers
// have always had, so a driver written against them is easy to recognise.
//
// Header-only: drivers include it without linking the platform library.
#pragma once

#include <cstdint>

#include "platform/bitmap_info_header.h"

namespace zemra::icm {

static_assert(sizeof(BitmapInfoHeader) == BitmapInfoHeader::kSize,
              "drivers receive the header as a plain record");

// driverId: 0 for driver-wide messages, else what kDrvOpen returned.
using DriverProcFunction = intptr_t (*)(uintptr_t driverId, uintptr_t driver, uint32_t message,
                                        intptr_t param1, intptr_t param2);
inline constexpr char kDriverProcName[] = "DriverProc";

// Driver-wide messages.
inline constexpr uint32_t kDrvLoad = 0x0001;
inline constexpr uint32_t kDrvEnable = 0x0002;
inline constexpr uint32_t kDrvOpen = 0x0003;  // param2: IcOpen*; result: instance id or 0
inline constexpr uint32_t kDrvClose = 0x0004;
inline constexpr uint32_t kDrvDisable = 0x0005;
inline constexpr uint32_t kDrvFree = 0x0006;

// Codec messages. Formats travel as BitmapInfoHeader pointers.
inline constexpr uint32_t kIcmUser = 0x4000;
inline constexpr uint32_t kIcmGetState = 0x5000;  // param1: buffer or 0 (size asked), param2: size
inline constexpr uint32_t kIcmSetState = 0x5001;  // param1: buffer, param2: size
inline constexpr uint32_t kIcmGetInfo = 0x5002;   // param1: IcInfo*, param2: size
inline constexpr uint32_t kIcmCompressGetFormat = kIcmUser + 4;  // param1: in, param2: out or 0
inline constexpr uint32_t kIcmCompressGetSize = kIcmUser + 5;    // result: bytes
inline constexpr uint32_t kIcmCompressQuery = kIcmUser + 6;
inline constexpr uint32_t kIcmCompressBegin = kIcmUser + 7;
inline constexpr uint32_t kIcmCompress = kIcmUser + 8;  // param1: IcCompress*, param2: size
inline constexpr uint32_t kIcmCompressEnd = kIcmUser + 9;
inline constexpr uint32_t kIcmDecompressGetFormat = kIcmUser + 10;
inline constexpr uint32_t kIcmDecompressQuery = kIcmUser + 11;
inline constexpr uint32_t kIcmDecompressBegin = kIcmUser + 12;
inline constexpr uint32_t kIcmDecompress = kIcmUser + 13;  // param1: IcDecompress*, param2: size
inline constexpr uint32_t kIcmDecompressEnd = kIcmUser + 14;
inline constexpr uint32_t kIcmCompressFramesInfo = kIcmUser + 70;  // param1: IcCompressFrames*

inline constexpr intptr_t kIcErrOk = 0;
inline constexpr intptr_t kIcErrUnsupported = -1;
inline constexpr intptr_t kIcErrBadFormat = -2;
inline constexpr intptr_t kIcErrMemory = -3;
inline constexpr intptr_t kIcErrInternal = -4;
inline constexpr intptr_t kIcErrBadParam = -6;
inline constexpr intptr_t kIcErrBadSize = -7;
inline constexpr intptr_t kIcErrError = -100;

inline constexpr uint32_t kIcModeCompress = 1;
inline constexpr uint32_t kIcModeDecompress = 2;

inline constexpr uint32_t kIcCompressKeyFrame = 0x00000001;  // IcCompress::flags: force a key
inline constexpr uint32_t kAviIfKeyFrame = 0x00000010;       // *IcCompress::outFlags

struct IcOpen {
    uint32_t size = sizeof(IcOpen);
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t version = 0;
    uint32_t flags = 0;  // kIcMode...
    intptr_t error = 0;  // set by the driver when it refuses
};

struct IcInfo {
    uint32_t size = sizeof(IcInfo);
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t flags = 0;
    uint32_t version = 0;
    uint32_t versionIcm = 0;
    char name[16] = {};
    char description[128] = {};
    char driver[128] = {};
};

struct IcCompress {
    uint32_t flags = 0;
    BitmapInfoHeader* outputFormat = nullptr;  // sizeImage: room in `output`; after: bytes coded
    void* output = nullptr;
    const BitmapInfoHeader* inputFormat = nullptr;
    const void* input = nullptr;
    uint32_t* ckid = nullptr;
    uint32_t* outFlags = nullptr;
    int32_t frameNumber = 0;
    uint32_t frameSize = 0;  // requested size, 0 = no limit
    uint32_t quality = 0;
    const BitmapInfoHeader* previousFormat = nullptr;
    const void* previous = nullptr;
};

struct IcCompressFrames {
    uintptr_t flags = 0;
    BitmapInfoHeader* outputFormat = nullptr;
    intptr_t output = 0;
    BitmapInfoHeader* inputFormat = nullptr;
    intptr_t input = 0;
    int32_t startFrame = 0;
    int32_t frameCount = 0;
    int32_t quality = 0;
    int32_t dataRate = 0;  // bytes per second
    int32_t keyRate = 0;   // frames between key frames
    uint32_t rate = 0;     // frame rate = rate / scale
    uint32_t scale = 0;
    uint32_t overheadPerFrame = 0;
    uint32_t reserved2 = 0;
    intptr_t getData = 0;
    intptr_t putData = 0;
};

struct IcDecompress {
    uint32_t flags = 0;
    const BitmapInfoHeader* inputFormat = nullptr;  // sizeImage: bytes in `input`
    const void* input = nullptr;
    BitmapInfoHeader* outputFormat = nullptr;  // sizeImage: room in `output`
    void* output = nullptr;
    uint32_t ckid = 0;
};

// FOURCCs are matched without regard to case ("VIDC" installs what "vidc" opens).
constexpr uint32_t lowerFourCc(uint32_t code) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t c = (code >> shift) & 0xFF;
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        out |= c << shift;
    }
    return out;
}

}  // namespace zemra::icm
