#include "protocol/message_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

const TextMessage kSample{kMessageAuthRequest, 0x0102030C, 0xFF, 5, "\xCB\xCE\xCC\xE5", 3, 20001,
                          "hello /:O",         1700000000};

Bytes sampleWire(uint16_t type) {
    Bytes wire = handMade(type, 372);
    wire[21] = 3;
    put32(wire, 24, 0x0102030C);
    wire[29] = 0xFF;
    wire[31] = 5;
    putText(wire, 33, "\xCB\xCE\xCC\xE5");  // 宋体
    wire[54] = 3;
    put32(wire, 56, 20001);
    putText(wire, 61, "hello /:O");
    put32(wire, 364, 1700000000);
    return wire;
}

TEST(MessagePacketsTest, Layout) {
    expectBytes(buildMessage(kSample), sampleWire(1164));
    expectBytes(buildMessage(kSample, PT_MESSAGE_PASSIVE), sampleWire(1165));
    EXPECT_EQ(parseMessage(sampleWire(1165)), kSample);
}

TEST(MessagePacketsTest, LongTextsAreCutOnCharacterBoundaries) {
    TextMessage m = kSample;
    m.text = "x" + repeat(kZhong, 151);     // 303 bytes; a cut at 302 would split a character
    m.faceName = repeat(kZhong, 10) + "a";  // 21 bytes
    const Bytes p = buildMessage(m);
    EXPECT_EQ(textAt(p, 61), "x" + repeat(kZhong, 150));
    EXPECT_EQ(textAt(p, 33), repeat(kZhong, 10));
    EXPECT_EQ(le32(p, 364), 1700000000u);  // the time after the text is untouched

    m.text = repeat("a", 400);
    EXPECT_EQ(textAt(buildMessage(m), 61), repeat("a", 302));
}

TEST(MessagePacketsTest, ParsesDamagedMessage) {
    Bytes wire = sampleWire(1164);
    // A text field without its NUL ends with the field, not with the packet.
    for (std::size_t at = 61; at < 364; ++at) wire[at] = 'z';
    EXPECT_EQ(parseMessage(wire).text, repeat("z", 303));

    // Cut inside the text: text and time are lost, the rest is kept.
    wire.resize(200);
    const TextMessage cut = parseMessage(wire);
    EXPECT_EQ(cut.peerId, 20001u);
    EXPECT_EQ(cut.text, "");
    EXPECT_EQ(cut.time, 0u);
}

}  // namespace
}  // namespace zemra::protocol
