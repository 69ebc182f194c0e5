// G.729 speech codec plug-in. One encoder and one decoder per loaded
// instance, kept in globals: the engine gives every user of the codec an
// instance of its own by loading a separate file.
extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

#include <cstdint>
#include <cstring>

namespace {

constexpr uint8_t kFrameBytes = 10;

bcg729EncoderChannelContextStruct* encoder = nullptr;
bcg729DecoderChannelContextStruct* decoder = nullptr;

void closeChannels() {
    if (encoder) closeBcg729EncoderChannel(encoder);
    if (decoder) closeBcg729DecoderChannel(decoder);
    encoder = nullptr;
    decoder = nullptr;
}

void openChannels() {
    closeChannels();
    // Without voice-activity detection every frame is a full 10-byte frame.
    encoder = initBcg729EncoderChannel(0);
    decoder = initBcg729DecoderChannel();
}

__attribute__((destructor)) void unload() {
    closeChannels();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void nein00() {
    openChannels();
}

// Codes 80 samples into 10 bytes.
__attribute__((visibility("default"))) void nein03(const int16_t* samples, uint8_t* coded) {
    if (!samples || !coded) return;
    if (!encoder) openChannels();
    uint8_t length = 0;
    uint8_t frame[kFrameBytes] = {};
    bcg729Encoder(encoder, samples, frame, &length);
    std::memcpy(coded, frame, kFrameBytes);
}

// Decodes 10 bytes into 80 samples; `erased` nonzero conceals a lost frame.
__attribute__((visibility("default"))) void nein06(const uint8_t* coded, int16_t* samples,
                                                   int erased) {
    if (!coded || !samples) return;
    if (!decoder) openChannels();
    bcg729Decoder(decoder, coded, kFrameBytes, erased ? 1 : 0, 0, 0, samples);
}
}
