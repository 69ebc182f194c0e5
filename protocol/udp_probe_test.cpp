#include "protocol/udp_probe.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(UdpProbeTest, Layout) {
    Bytes wire(32, 0);
    put32(wire, 4, 10020);
    put32(wire, 12, 3021);
    put16(wire, 18, 2);
    putText(wire, 21, "qh4vn8tzr2");
    const UdpProbe probe{10020, 3021, kProbeChannelAudio};
    expectBytes(buildUdpProbe(probe), wire);
    EXPECT_EQ(parseUdpProbe(wire), probe);

    wire.resize(20);
    EXPECT_EQ(parseUdpProbe(wire), (UdpProbe{10020, 3021, 2, ""}));
}

}  // namespace
}  // namespace zemra::protocol
