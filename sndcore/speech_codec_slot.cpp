#include "speech_codec_slot.h"

#include <cstring>

#include "platform/winmsg.h"

namespace zemra::snd {
namespace {

constexpr size_t kFrameSamples = 80;
constexpr size_t kFrameBytes = 10;
constexpr size_t kFrames = kBufferSamples / kFrameSamples;

}  // namespace

const std::array<const char*, CodecNameTable::kNames> CodecNameTable::kFileNames = {
    "xms.dll", "ult.dll",  "SKYT.dll", "RAW.dll",  "PSID.dll", "PIG.dll",  "OKT.dll",  "MTM.dll",
    "gsm.dll", "g729.dll", "g711.dll", "g723.dll", "celp.dll", "h263.dll", "h264.dll", "h265.dll",
};

bool CodecNameTable::isFree(size_t index) const {
    std::lock_guard lock(mutex_);
    return index < kNames && !taken_[index];
}

SpeechCodecSlot::SpeechCodecSlot(CodecNameTable& names) : names_(names) {
    std::lock_guard lock(names_.mutex_);
    size_t index = 0;
    while (index < CodecNameTable::kNames && names_.taken_[index]) ++index;
    if (index == CodecNameTable::kNames) return;
    // Loaded by full path from the engine's folder: a plain name would
    // follow the search path of whichever library calls the loader.
    auto library = Library::open((names_.directory_ / CodecNameTable::kFileNames[index]).string());
    auto init = library ? library->function<InitFunction>("nein00") : nullptr;
    if (!init) {
        showMessageBox("语音库加载失败,请检查安装程序", "声音");
        return;
    }
    init();
    encode_ = library->function<EncodeFunction>("nein03");
    decode_ = library->function<DecodeFunction>("nein06");
    library_ = std::move(library);
    names_.taken_[index] = true;
    index_ = static_cast<int>(index);
}

SpeechCodecSlot::~SpeechCodecSlot() {
    if (index_ < 0) return;
    std::lock_guard lock(names_.mutex_);
    library_.reset();
    names_.taken_[index_] = false;
}

std::optional<std::array<uint8_t, kAudioPayloadBytes>> SpeechCodecSlot::encode(const uint8_t* pcm,
                                                                               size_t bytes) const {
    if (!encode_ || bytes != kBufferBytes) return std::nullopt;
    int16_t samples[kBufferSamples];
    std::memcpy(samples, pcm, kBufferBytes);
    std::array<uint8_t, kAudioPayloadBytes> coded{};
    for (size_t f = 0; f < kFrames; ++f) {
        encode_(samples + f * kFrameSamples, coded.data() + f * kFrameBytes);
    }
    return coded;
}

std::optional<std::array<uint8_t, kBufferBytes>> SpeechCodecSlot::decode(const uint8_t* payload,
                                                                         size_t bytes) const {
    if (!decode_ || bytes != kAudioPayloadBytes) return std::nullopt;
    int16_t samples[kBufferSamples];
    for (size_t f = 0; f < kFrames; ++f) {
        decode_(payload + f * kFrameBytes, samples + f * kFrameSamples, 0);
    }
    std::array<uint8_t, kBufferBytes> pcm;
    std::memcpy(pcm.data(), samples, kBufferBytes);
    return pcm;
}

}  // namespace zemra::snd
