#include "client/ui/search_rules.h"

#include <gtest/gtest.h>

#include "client/net/nickname_collator.h"
#include "platform/text.h"
#include "protocol/packet_types.h"
#include "protocol/simple_packets.h"

namespace zemra::client::ui {
namespace {

using protocol::SearchResultEntry;

std::vector<SearchResultEntry> users(uint32_t firstId, std::size_t count) {
    std::vector<SearchResultEntry> list(count);
    for (std::size_t i = 0; i < count; ++i) list[i].userId = firstId + static_cast<uint32_t>(i);
    return list;
}

// --- the form and its packet ---

TEST(SearchForm, AnIdIsDigitsFromZeroToEightNines) {
    EXPECT_EQ(parseSearchId("0"), 0u);
    EXPECT_EQ(parseSearchId(" 1234 "), 1234u);
    EXPECT_EQ(parseSearchId("99999999"), 99999999u);
    EXPECT_EQ(parseSearchId("000000000012"), 12u);  // the value counts, not the length
    EXPECT_EQ(parseSearchId("100000000"), std::nullopt);
    EXPECT_EQ(parseSearchId("99999999999999999999999"), std::nullopt);  // no wrap-around
    EXPECT_EQ(parseSearchId(""), std::nullopt);
    EXPECT_EQ(parseSearchId("  "), std::nullopt);
    EXPECT_EQ(parseSearchId("12ab"), std::nullopt);
    EXPECT_EQ(parseSearchId("-1"), std::nullopt);
    EXPECT_EQ(parseSearchId("1 2"), std::nullopt);
}

TEST(SearchForm, EachModeSendsItsOwnPacket) {
    SearchForm form;
    form.mode = SearchMode::ById;
    form.idText = "4711";
    form.nickname = "ignored";
    auto packet = searchPacket(form, 3);
    ASSERT_TRUE(packet);
    EXPECT_EQ(protocol::PacketView(*packet).type(), protocol::PT_SEARCH_BY_ID);
    EXPECT_EQ(protocol::parseUserId(*packet), 4711u);

    form.idText = "47x1";
    EXPECT_FALSE(searchPacket(form, 0));

    // The ID field plays no part outside its mode.
    form.mode = SearchMode::ByNick;
    form.nickname = "  anna ";
    packet = searchPacket(form, 2);
    ASSERT_TRUE(packet);
    EXPECT_EQ(protocol::PacketView(*packet).type(), protocol::PT_SEARCH_BY_NICK);
    EXPECT_EQ(protocol::parseNickSearch(*packet), (protocol::NickSearch{"anna", 2}));

    form.mode = SearchMode::Online;
    form.hasCamera = true;
    form.female = true;
    packet = searchPacket(form, 7);
    ASSERT_TRUE(packet);
    EXPECT_EQ(protocol::PacketView(*packet).type(), protocol::PT_SEARCH_ONLINE);
    protocol::OnlineSearch expected;
    expected.page = 7;
    expected.hasCamera = true;
    expected.female = true;
    EXPECT_EQ(protocol::parseOnlineSearch(*packet), expected);
}

TEST(SearchForm, ALongNicknameIsCutToTenCharactersThenToWholeGbkCharacters) {
    EXPECT_EQ(searchNickname("abcdefghijkl"), "abcdefghij");
    SearchForm form;
    form.mode = SearchMode::ByNick;
    // Six Chinese characters take twelve bytes; the field holds ten.
    form.nickname = QString::fromUtf8("张三李四王五");
    EXPECT_EQ(protocol::parseNickSearch(*searchPacket(form, 0)).nickname,
              text::toGbk("张三李四王"));
    // One byte ahead, the fifth character would straddle the end: it goes whole.
    form.nickname = QString::fromUtf8("a张三李四王");
    EXPECT_EQ(protocol::parseNickSearch(*searchPacket(form, 0)).nickname, text::toGbk("a张三李四"));
}

// --- result pages and rows ---

TEST(SearchResults, NineteenRowsMakeAFullPageFewerEndTheList) {
    const auto nineteen = users(1000, 19);
    EXPECT_EQ(resultPage(nineteen).rows.size(), 19u);
    EXPECT_TRUE(resultPage(nineteen).full);
    const auto eighteen = users(1000, 18);
    EXPECT_EQ(resultPage(eighteen).rows.size(), 18u);
    EXPECT_FALSE(resultPage(eighteen).full);
    EXPECT_FALSE(resultPage({}).full);
}

TEST(SearchResults, AnIdBelowAThousandEndsThePageThere) {
    auto page = users(2000, 19);
    page[6].userId = 999;
    const ResultPage shown = resultPage(page);
    ASSERT_EQ(shown.rows.size(), 6u);
    EXPECT_EQ(shown.rows.back().userId, 2005u);
    EXPECT_FALSE(shown.full);
    page[6].userId = 1000;  // the first real ID is a user
    EXPECT_TRUE(resultPage(page).full);
}

TEST(SearchResults, OfflineUsersShowNeitherVideoNorAudio) {
    EXPECT_EQ(searchStatusText(0), "未登录");
    EXPECT_EQ(searchStatusText(5), "未登录");
    EXPECT_EQ(searchStatusText(1), "空闲");
    EXPECT_EQ(searchStatusText(3), "通话中");
    EXPECT_EQ(capabilityText(true, 1), "有");
    EXPECT_EQ(capabilityText(true, 3), "有");
    EXPECT_EQ(capabilityText(false, 1), "无");
    EXPECT_EQ(capabilityText(true, 0), "无");
    EXPECT_EQ(capabilityText(true, 5), "无");
}

// --- paging ---

TEST(SearchPaging, NextAndPreviousMoveOnePageAndGreyAtTheEnds) {
    SearchPaging paging;
    EXPECT_FALSE(paging.previousEnabled());
    EXPECT_FALSE(paging.nextEnabled());
    EXPECT_EQ(paging.again(), 0);
    EXPECT_TRUE(paging.onPage(true).take);
    EXPECT_FALSE(paging.previousEnabled());  // page 0
    EXPECT_TRUE(paging.nextEnabled());
    EXPECT_EQ(paging.next(), 1);
    paging.onPage(false);
    EXPECT_TRUE(paging.previousEnabled());
    EXPECT_FALSE(paging.nextEnabled());  // a short page ends the list
    EXPECT_EQ(paging.previous(), 0);
    paging.onPage(true);
    EXPECT_FALSE(paging.previousEnabled());
    EXPECT_EQ(paging.previous(), std::nullopt);  // nothing before the first page
    EXPECT_EQ(paging.page(), 0);
    paging.next();
    paging.next();
    EXPECT_EQ(paging.first(), 0);
}

TEST(SearchPaging, AnEmptyPageGoesBackOnePageWithoutAsking) {
    SearchPaging paging;
    paging.again();
    paging.onPage(true);
    paging.next();
    const auto step = paging.onEmpty();
    EXPECT_TRUE(step.take);
    EXPECT_EQ(step.fetch, std::nullopt);
    EXPECT_EQ(paging.page(), 0);
    EXPECT_FALSE(paging.nextEnabled());
    // On the first page there is nowhere to go back to.
    paging.again();
    paging.onEmpty();
    EXPECT_EQ(paging.page(), 0);
}

TEST(SearchPaging, OnlyOneAnswerCountsForEachSearch) {
    SearchPaging paging;
    paging.again();
    paging.onPage(true);
    paging.next();
    paging.next();
    // "Nobody" comes as a status message and an empty result: one step back only.
    EXPECT_TRUE(paging.onEmpty().take);
    EXPECT_FALSE(paging.onEmpty().take);
    EXPECT_EQ(paging.page(), 1);
    EXPECT_FALSE(paging.onPage(true).take);
    // An answer to a search of the mode left behind is not shown.
    paging.again();
    paging.reset();
    EXPECT_FALSE(paging.onPage(true).take);
    EXPECT_EQ(paging.page(), 0);
    EXPECT_FALSE(paging.nextEnabled());
}

TEST(SearchPaging, TheLastPageWalkStopsAtAShortPage) {
    SearchPaging paging;
    paging.again();
    paging.onPage(true);
    EXPECT_EQ(paging.last(), 1);
    EXPECT_EQ(paging.onPage(true).fetch, 2);
    EXPECT_TRUE(paging.walking());
    const auto step = paging.onPage(false);
    EXPECT_TRUE(step.take);
    EXPECT_EQ(step.fetch, std::nullopt);
    EXPECT_FALSE(paging.walking());
    EXPECT_EQ(paging.page(), 2);
    EXPECT_FALSE(paging.nextEnabled());
    EXPECT_TRUE(paging.previousEnabled());
}

TEST(SearchPaging, AWalkPastTheEndStepsBackToTheLastFullPage) {
    SearchPaging paging;
    paging.again();
    paging.onPage(true);
    paging.last();
    EXPECT_EQ(paging.onPage(true).fetch, 2);
    EXPECT_EQ(paging.onEmpty().fetch, 1);
    EXPECT_FALSE(paging.walking());
    EXPECT_TRUE(paging.waiting());
    // Full as it is, nothing follows it.
    EXPECT_EQ(paging.onPage(true).fetch, std::nullopt);
    EXPECT_EQ(paging.page(), 1);
    EXPECT_FALSE(paging.nextEnabled());
    // Asked again later, a full page may have grown a successor.
    paging.again();
    paging.onPage(true);
    EXPECT_TRUE(paging.nextEnabled());
}

TEST(SearchPaging, AWalkIsBoundedAndEndsWithAnyCommand) {
    SearchPaging paging;
    paging.last();
    int asked = 1;
    while (paging.onPage(true).fetch) ++asked;
    EXPECT_EQ(asked, SearchPaging::kMaxWalk);
    EXPECT_FALSE(paging.walking());

    paging.last();
    paging.next();
    EXPECT_FALSE(paging.walking());
    EXPECT_EQ(paging.onPage(true).fetch, std::nullopt);
}

// --- the selected user ---

TEST(SearchSelection, OwnRowAllowsOnlyDetails) {
    EXPECT_EQ(searchActionsEnabled({1234, 1}, 1234, false, false), SearchActionsEnabled{});
    const SearchActionsEnabled all{true, true, true, true, true};
    EXPECT_EQ(searchActionsEnabled({1235, 1}, 1234, false, false), all);
}

TEST(SearchSelection, CallsAndFilesNeedAnIdleUserAndNothingRunning) {
    const auto inCall = searchActionsEnabled({1235, 1}, 1234, true, false);
    EXPECT_FALSE(inCall.call);
    EXPECT_TRUE(inCall.sendFile);
    const auto sending = searchActionsEnabled({1235, 1}, 1234, false, true);
    EXPECT_TRUE(sending.call);
    EXPECT_FALSE(sending.sendFile);
    for (uint16_t status : {0, 3, 5}) {
        const auto busy = searchActionsEnabled({1235, status}, 1234, false, false);
        EXPECT_FALSE(busy.call) << status;
        EXPECT_FALSE(busy.sendFile) << status;
        EXPECT_TRUE(busy.chat && busy.addFriend && busy.blacklist) << status;
    }
}

class SearchCommands : public ::testing::Test {
  protected:
    static constexpr uint32_t kOwn = 1234;
    static constexpr uint32_t kFriend = 2001;
    static constexpr uint32_t kBlocked = 2002;
    static constexpr uint32_t kStranger = 2003;

    SearchCommands() : contacts(nicknameCollator()) {
        std::vector<store::Contact> stored(2);
        stored[0].id = kFriend;
        stored[1].id = kBlocked;
        store::COutbarLayout layout = store::COutbarLayout::forNewUser();
        layout.groups[0].members = {kFriend};
        layout.groups.back().members = {kBlocked};
        contacts.load(stored, layout);
    }

    SearchDecision decide(SearchCommand command, std::optional<SearchUser> user,
                          bool inCall = false) {
        return decideSearchCommand(command, user, kOwn, contacts, inCall);
    }

    ContactList contacts;
};

TEST_F(SearchCommands, EveryCommandNeedsASelectedUser) {
    for (auto c : {SearchCommand::AddFriend, SearchCommand::Blacklist, SearchCommand::Details,
                   SearchCommand::Chat, SearchCommand::Call, SearchCommand::SendFile}) {
        EXPECT_EQ(decide(c, std::nullopt), SearchDecision::tell("请先选择用户"));
    }
}

TEST_F(SearchCommands, AddingSomeoneAlreadyInAnyGroupIsRefused) {
    EXPECT_EQ(decide(SearchCommand::AddFriend, SearchUser{kFriend, 1}),
              SearchDecision::tell("您已设置该用户"));
    EXPECT_EQ(decide(SearchCommand::AddFriend, SearchUser{kBlocked, 1}),
              SearchDecision::tell("您已设置该用户"));
    EXPECT_EQ(decide(SearchCommand::AddFriend, SearchUser{kOwn, 1}),
              SearchDecision::tell("不能对自己进行操作"));
    EXPECT_EQ(decide(SearchCommand::AddFriend, SearchUser{kStranger, 0}), SearchDecision::run());
}

TEST_F(SearchCommands, NobodyBlacklistsOrChatsWithHimself) {
    for (auto c : {SearchCommand::Blacklist, SearchCommand::Chat}) {
        EXPECT_EQ(decide(c, SearchUser{kOwn, 1}), SearchDecision::tell("不能对自己进行操作"));
        EXPECT_EQ(decide(c, SearchUser{kStranger, 0}), SearchDecision::run());
        EXPECT_EQ(decide(c, SearchUser{kFriend, 0}), SearchDecision::run());
    }
    EXPECT_EQ(decide(SearchCommand::Details, SearchUser{kOwn, 1}), SearchDecision::run());
}

TEST_F(SearchCommands, CallsGoOnlyToIdleOthersWhileNoCallIsUp) {
    EXPECT_EQ(decide(SearchCommand::Call, SearchUser{kStranger, 1}, true),
              SearchDecision::tell("您正在通话中!"));
    EXPECT_EQ(decide(SearchCommand::Call, SearchUser{kOwn, 1}),
              SearchDecision::tell("不能呼叫自己"));
    for (uint16_t status : {0, 3, 5}) {
        EXPECT_EQ(decide(SearchCommand::Call, SearchUser{kStranger, status}), SearchDecision{})
            << status;
    }
    EXPECT_EQ(decide(SearchCommand::Call, SearchUser{kStranger, 1}), SearchDecision::run());
}

TEST_F(SearchCommands, FilesGoOnlyToIdleOthers) {
    EXPECT_EQ(decide(SearchCommand::SendFile, SearchUser{kStranger, 1}), SearchDecision::run());
    EXPECT_EQ(decide(SearchCommand::SendFile, SearchUser{kOwn, 1}), SearchDecision{});
    EXPECT_EQ(decide(SearchCommand::SendFile, SearchUser{kStranger, 3}), SearchDecision{});
    EXPECT_EQ(decide(SearchCommand::SendFile, SearchUser{kStranger, 0}), SearchDecision{});
}

}  // namespace
}  // namespace zemra::client::ui
