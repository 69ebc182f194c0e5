// picodec: a VP8 video codec driver. The codec manager loads it and talks
// to it only through DriverProc; each opened codec is one Instance.
#include <cstring>
#include <memory>

#include "codecs/picodec/vp8_decoder.h"
#include "codecs/picodec/vp8_encoder.h"
#include "platform/icm_driver.h"

namespace picodec {
namespace {

using namespace zemra::icm;

constexpr uint32_t kVersion = 0x00010000;
constexpr uint32_t kTypeVideoLower = zemra::makeFourCc('v', 'i', 'd', 'c');

struct Instance {
    uint32_t mode = 0;
    Vp8Encoder encoder;
    Vp8Decoder decoder;
};

const BitmapInfoHeader* format(intptr_t p) {
    return reinterpret_cast<const BitmapInfoHeader*>(p);
}
BitmapInfoHeader* mutableFormat(intptr_t p) {
    return reinterpret_cast<BitmapInfoHeader*>(p);
}

intptr_t getInfo(intptr_t p1, intptr_t p2) {
    if (p1 == 0) return sizeof(IcInfo);
    if (static_cast<size_t>(p2) < sizeof(IcInfo)) return 0;
    IcInfo* info = reinterpret_cast<IcInfo*>(p1);
    *info = IcInfo{};
    info->fccType = kTypeVideoLower;
    info->fccHandler = zemra::makeFourCc('d', 'i', 'v', '4');
    info->version = kVersion;
    std::strncpy(info->name, "picodec", sizeof info->name - 1);
    std::strncpy(info->description, "VP8 real-time video", sizeof info->description - 1);
    return sizeof(IcInfo);
}

intptr_t handle(Instance& instance, uint32_t message, intptr_t p1, intptr_t p2) {
    switch (message) {
        case kIcmGetInfo:
            return getInfo(p1, p2);
        case kIcmGetState:
            return instance.encoder.getState(reinterpret_cast<void*>(p1), static_cast<size_t>(p2));
        case kIcmSetState:
            return instance.encoder.setState(reinterpret_cast<const void*>(p1),
                                             static_cast<size_t>(p2));

        case kIcmCompressQuery:
            return p1 && Vp8Encoder::acceptsInput(*format(p1)) ? kIcErrOk : kIcErrBadFormat;
        case kIcmCompressGetFormat:
            if (!p1) return kIcErrBadParam;
            if (!p2) return BitmapInfoHeader::kSize;
            if (!Vp8Encoder::acceptsInput(*format(p1))) return kIcErrBadFormat;
            Vp8Encoder::describeOutput(*format(p1), *mutableFormat(p2));
            return kIcErrOk;
        case kIcmCompressGetSize:
            if (!p1 || !Vp8Encoder::acceptsInput(*format(p1))) return 0;
            return Vp8Encoder::maxCodedSize(*format(p1));
        case kIcmCompressFramesInfo:
            if (!p1) return kIcErrBadParam;
            instance.encoder.setFramesInfo(*reinterpret_cast<const IcCompressFrames*>(p1));
            return kIcErrOk;
        case kIcmCompressBegin:
            if (!p1 || !p2) return kIcErrBadParam;
            return instance.encoder.begin(*format(p1), *format(p2));
        case kIcmCompress:
            if (!p1) return kIcErrBadParam;
            return instance.encoder.compress(*reinterpret_cast<IcCompress*>(p1));
        case kIcmCompressEnd:
            instance.encoder.end();
            return kIcErrOk;

        case kIcmDecompressQuery:
            return p1 && Vp8Decoder::acceptsInput(*format(p1)) ? kIcErrOk : kIcErrBadFormat;
        case kIcmDecompressGetFormat:
            if (!p1) return kIcErrBadParam;
            if (!p2) return BitmapInfoHeader::kSize;
            if (!Vp8Decoder::acceptsInput(*format(p1))) return kIcErrBadFormat;
            Vp8Decoder::describeOutput(*format(p1), *mutableFormat(p2));
            return kIcErrOk;
        case kIcmDecompressBegin:
            if (!p1 || !p2) return kIcErrBadParam;
            return instance.decoder.begin(*format(p1), *format(p2));
        case kIcmDecompress:
            if (!p1) return kIcErrBadParam;
            return instance.decoder.decompress(*reinterpret_cast<IcDecompress*>(p1));
        case kIcmDecompressEnd:
            instance.decoder.end();
            return kIcErrOk;
    }
    return kIcErrUnsupported;
}

}  // namespace
}  // namespace picodec

extern "C" __attribute__((visibility("default"))) intptr_t DriverProc(
    uintptr_t driverId, uintptr_t /*driver*/, uint32_t message, intptr_t param1, intptr_t param2) {
    using namespace zemra::icm;
    switch (message) {
        case kDrvLoad:
        case kDrvEnable:
        case kDrvDisable:
        case kDrvFree:
            return 1;
        case kDrvOpen: {
            const auto* request = reinterpret_cast<IcOpen*>(param2);
            if (!request) return 0;
            if (request->fccType != 0 &&
                lowerFourCc(request->fccType) != picodec::kTypeVideoLower) {
                return 0;
            }
            auto instance = std::make_unique<picodec::Instance>();
            instance->mode = request->flags;
            return reinterpret_cast<intptr_t>(instance.release());
        }
        case kDrvClose:
            delete reinterpret_cast<picodec::Instance*>(driverId);
            return 1;
    }
    if (driverId == 0) return kIcErrUnsupported;
    return picodec::handle(*reinterpret_cast<picodec::Instance*>(driverId), message, param1,
                           param2);
}
