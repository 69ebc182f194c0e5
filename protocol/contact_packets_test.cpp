#include "protocol/contact_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(ContactPacketsTest, RecordStaysInsideItsPacket) {
    PacketBuilder builder(PT_LOGIN_OK, 64);
    writeContactRecord(builder, 32, {9, "0123456789ABCDEF", 84, true, 12});
    Bytes wire = handMade(PT_LOGIN_OK, 64);
    put32(wire, 32, 9);
    putText(wire, 37, "0123456789");
    put16(wire, 48, 84);
    put16(wire, 52, 1);
    put16(wire, 56, 12);
    expectBytes(std::move(builder).take(), wire);

    EXPECT_EQ(readContactRecord(wire, 32), (ContactRecord{9, "0123456789", 84, true, 12}));
    put16(wire, 52, 2);  // only 1 means online
    EXPECT_FALSE(readContactRecord(wire, 32).online);
    // A record that would reach past the end is not read at all.
    EXPECT_EQ(readContactRecord(wire, 33), ContactRecord{});
}

TEST(ContactPacketsTest, ContactAdded) {
    Bytes wire = handMade(281, 52);
    put32(wire, 24, 31337);
    putText(wire, 29, "friend");
    put16(wire, 40, 17);
    put16(wire, 44, 1);
    put16(wire, 48, 11);
    const ContactRecord contact{31337, "friend", 17, true, 11};
    expectBytes(buildContactAdded(contact), wire);
    EXPECT_EQ(parseContactAdded(wire), contact);
}

TEST(ContactPacketsTest, RelationPackets) {
    Bytes wire = handMade(181, 32);
    put32(wire, 24, 4242);
    put16(wire, 30, 12);
    expectBytes(buildSetRelation({4242, kRelationBlacklist}), wire);
    EXPECT_EQ(parseRelationChange(wire), (RelationChange{4242, 12}));

    Bytes accept = handMade(182, 32);
    put32(accept, 24, 77);
    put16(accept, 30, 10);
    expectBytes(buildAuthAccept(77), accept);

    Bytes refuse = handMade(183, 32);
    put32(refuse, 24, 78);
    expectBytes(buildAuthRefuse(78), refuse);
}

}  // namespace
}  // namespace zemra::protocol
