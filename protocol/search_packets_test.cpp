#include "protocol/search_packets.h"

#include <gtest/gtest.h>

#include "protocol/test_bytes.h"

namespace zemra::protocol {
namespace {

using namespace test;

TEST(SearchPacketsTest, OnlineSearch) {
    Bytes wire = handMade(121, 46);
    put16(wire, 22, 3);
    put16(wire, 26, 1);
    put16(wire, 34, 1);
    put16(wire, 42, 1);
    const OnlineSearch search{3, true, false, true, false, true};
    expectBytes(buildOnlineSearch(search), wire);
    EXPECT_EQ(parseOnlineSearch(wire), search);

    put16(wire, 30, 1);
    put16(wire, 38, 1);
    EXPECT_EQ(parseOnlineSearch(wire), (OnlineSearch{3, true, true, true, true, true}));
}

TEST(SearchPacketsTest, NickSearch) {
    Bytes wire = handMade(123, 36);
    putText(wire, 21, "0123456789");
    put16(wire, 32, 2);
    expectBytes(buildNickSearch({"0123456789AB", 2}), wire);
    EXPECT_EQ(parseNickSearch(wire), (NickSearch{"0123456789", 2}));
}

TEST(SearchPacketsTest, ResultPage) {
    Bytes wire = handMade(221, 30 + 2 * 56);
    put16(wire, 22, 2);
    put32(wire, 30, 10002);
    putText(wire, 35, "amy");
    put16(wire, 46, 4);
    put16(wire, 50, 1);
    putText(wire, 53, "0123456789AB");
    put32(wire, 66, 1);
    put32(wire, 86, 999);
    putText(wire, 91, "ben");
    put16(wire, 102, 5);
    put16(wire, 106, 3);
    putText(wire, 109, "Beijing");
    put32(wire, 130, 1);
    const std::vector<SearchResultEntry> entries = {
        {10002, "amy", 4, kSearchStatusIdle, "0123456789AB", true, false},
        {999, "ben", 5, kSearchStatusInCall, "Beijing", false, true},
    };
    expectBytes(buildSearchResult(entries), wire);
    EXPECT_EQ(parseSearchResult(wire), entries);
}

TEST(SearchPacketsTest, ResultPageStaysWithinTheLargestBody) {
    const std::vector<SearchResultEntry> entries(500, {20000, "n", 0, 1, "c", true, true});
    const Bytes p = buildSearchResult(entries);
    EXPECT_LE(p.size(), 20u + 10240u);
    EXPECT_EQ(le16(p, 22), (p.size() - 30) / 56);
    EXPECT_EQ(le16(p, 22), kMaxSearchEntries);
    EXPECT_EQ(le32(p, p.size() - 56), 20000u);
}

TEST(SearchPacketsTest, ResultCountIsBoundedByThePacket) {
    Bytes wire = handMade(221, 30 + 56 + 55);
    put16(wire, 22, 3);
    put32(wire, 30, 1001);
    put32(wire, 86, 1002);  // the second entry lacks its last byte
    const std::vector<SearchResultEntry> entries = parseSearchResult(wire);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].userId, 1001u);

    put16(wire, 22, 0);
    EXPECT_TRUE(parseSearchResult(wire).empty());
    put16(wire, 22, 1);
    wire.resize(30);
    EXPECT_TRUE(parseSearchResult(wire).empty());
}

}  // namespace
}  // namespace zemra::protocol
