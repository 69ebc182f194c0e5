#include "server/user_search.h"

#include <gtest/gtest.h>

#include "protocol/login_packets.h"
#include "protocol/search_packets.h"
#include "server/rules_fixture.h"

namespace zemra::server {
namespace {

using namespace protocol;

class UserSearchTest : public RulesFixture {
  protected:
    // The IDs of a result page, or the status sub-code as a negative number.
    std::vector<int64_t> ask(const TestClient& client, const std::vector<uint8_t>& request) {
        const Outbox out = send(client, request);
        const auto status = packetsTo(out, client.connection, PT_SEARCH_STATUS);
        if (!status.empty()) return {-int64_t{parseSubCode(status[0])}};
        std::vector<int64_t> ids;
        for (const auto& entry :
             parseSearchResult(packetsTo(out, client.connection, PT_SEARCH_RESULT).at(0))) {
            ids.push_back(entry.userId);
        }
        return ids;
    }
};

TEST(NicknameMatchTest, MatchesWholeGbkCharactersAndFoldsAsciiCase) {
    EXPECT_TRUE(UserSearch::nicknameMatches("XiaoMing", "aom"));
    EXPECT_TRUE(UserSearch::nicknameMatches("\xD5\xC5\xC8\xFD", "\xC8\xFD"));  // 张三 / 三
    // 0xC8 0xFD... the trail byte of one character followed by the lead byte of
    // the next is not a character of its own.
    EXPECT_FALSE(UserSearch::nicknameMatches("\xD5\xC5\xC8\xFD", "\xC5\xC8"));
    // A trail byte that happens to be an ASCII letter is not folded.
    EXPECT_FALSE(UserSearch::nicknameMatches("\x81\x41", "a"));
    EXPECT_FALSE(UserSearch::nicknameMatches("abc", ""));
}

TEST_F(UserSearchTest, PagesHoldNineteenEntriesInIdOrder) {
    TestClient searcher = registerUser("searcher");
    std::vector<int64_t> lees;
    for (int i = 0; i < 25; ++i) lees.push_back(registerUser("Lee" + std::to_string(i)).id);
    registerUser("other");

    const auto page0 = ask(searcher, buildNickSearch({"lee", 0}));
    const auto page1 = ask(searcher, buildNickSearch({"LEE", 1}));
    EXPECT_EQ(page0, std::vector<int64_t>(lees.begin(), lees.begin() + 19));
    EXPECT_EQ(page1, std::vector<int64_t>(lees.begin() + 19, lees.end()));
    EXPECT_EQ(ask(searcher, buildNickSearch({"lee", 2})),
              std::vector<int64_t>{-UserSearch::kStatusNoMorePages});
    EXPECT_EQ(ask(searcher, buildNickSearch({"nobody", 0})),
              std::vector<int64_t>{-UserSearch::kStatusNoMatch});
    EXPECT_EQ(ask(searcher, buildNickSearch({"", 0})),
              std::vector<int64_t>{-UserSearch::kStatusRefused});

    EXPECT_EQ(ask(searcher, buildUserIdPacket(PT_SEARCH_BY_ID, lees[3])),
              std::vector<int64_t>{lees[3]});
    EXPECT_EQ(ask(searcher, buildUserIdPacket(PT_SEARCH_BY_ID, 999)),
              std::vector<int64_t>{-UserSearch::kStatusNoMatch});
}

TEST_F(UserSearchTest, OnlineSearchAppliesTheFiltersAndHidesInvisibleUsers) {
    TestClient me = registerUser("me", "pw", 0, "Wuhan");
    TestClient man = registerUser("man", "pw", 0, "Wuhan");
    TestClient woman = registerUser("woman", "pw", 1, "Beijing");
    TestClient hidden = registerUser("hidden", "pw", 1, "Wuhan");
    TestClient away = registerUser("gone", "pw", 0, "Wuhan");
    logout(away);
    send(hidden, buildHeaderOnly(PT_GO_INVISIBLE));
    send(man, buildCapabilities({true, true}));
    send(woman, buildCapabilities({false, true}));

    const auto online = [&](OnlineSearch search) { return ask(me, buildOnlineSearch(search)); };
    EXPECT_EQ(online({}), (std::vector<int64_t>{man.id, woman.id}));
    EXPECT_EQ(online({0, false, false, true, false, false}), std::vector<int64_t>{man.id});
    EXPECT_EQ(online({0, false, false, false, true, false}), std::vector<int64_t>{woman.id});
    EXPECT_EQ(online({0, false, false, true, true, false}),
              (std::vector<int64_t>{man.id, woman.id}));
    EXPECT_EQ(online({0, false, true, false, false, false}), std::vector<int64_t>{man.id});
    EXPECT_EQ(online({0, true, false, false, false, false}),
              (std::vector<int64_t>{man.id, woman.id}));
    EXPECT_EQ(online({0, false, false, false, false, true}), std::vector<int64_t>{man.id});
    EXPECT_EQ(online({1, false, false, false, false, false}),
              std::vector<int64_t>{-UserSearch::kStatusNoMorePages});

    // Status and media columns: an invisible user looks like any offline one.
    const Outbox out = send(me, buildNickSearch({"man", 0}));
    const auto entries = parseSearchResult(packetsTo(out, me.connection, PT_SEARCH_RESULT).at(0));
    ASSERT_EQ(entries.size(), 2u);  // "man" and "woman"
    EXPECT_EQ(entries[0].status, kSearchStatusIdle);
    EXPECT_TRUE(entries[0].hasVideo);
    EXPECT_EQ(entries[0].city, "Wuhan");
    const auto hiddenEntry =
        parseSearchResult(packetsTo(send(me, buildUserIdPacket(PT_SEARCH_BY_ID, hidden.id)),
                                    me.connection, PT_SEARCH_RESULT)
                              .at(0));
    EXPECT_EQ(hiddenEntry.at(0).status, kSearchStatusOffline);
}

}  // namespace
}  // namespace zemra::server
