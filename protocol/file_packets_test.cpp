#include "protocol/file_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(FilePacketsTest, ProposalAndOffer) {
    Bytes propose = handMade(165, 128);
    putText(propose, 21, "report.pdf");
    putText(propose, 62, "for you");
    put32(propose, 104, 30001);
    put32(propose, 112, 123456789);
    const FileOffer offer{"report.pdf", "for you", 30001, 123456789, "sender"};
    expectBytes(buildFilePropose(offer), propose);  // no nickname from a client

    Bytes relayed = propose;
    put16(relayed, 6, 265);
    putText(relayed, 117, "sender");
    expectBytes(buildFileOffer(offer), relayed);
    EXPECT_EQ(parseFileOffer(relayed), offer);

    relayed.resize(116);
    EXPECT_EQ(parseFileOffer(relayed), (FileOffer{"report.pdf", "for you", 30001, 123456789, ""}));
}

TEST(FilePacketsTest, LongNamesStayInTheirFields) {
    const Bytes p = buildFileOffer({repeat(kZhong, 30), repeat("n", 60), 1, 2, repeat("k", 20)});
    EXPECT_EQ(textAt(p, 21), repeat(kZhong, 20));
    EXPECT_EQ(textAt(p, 62), repeat("n", 41));
    EXPECT_EQ(le32(p, 104), 1u);
    EXPECT_EQ(le32(p, 112), 2u);
    EXPECT_EQ(textAt(p, 117), repeat("k", 10));
}

TEST(FilePacketsTest, Peer) {
    Bytes wire = handMade(268, 44);
    wire[24] = 127;
    wire[27] = 1;
    put32(wire, 32, 3110);
    put32(wire, 40, 77);
    const FilePeer peer{ipv4Value(127, 0, 0, 1), 3110, 77};
    expectBytes(buildFilePeer(peer), wire);
    EXPECT_EQ(parseFilePeer(wire), peer);
}

}  // namespace
}  // namespace zemra::protocol
