#include "client/ui/call_list_rules.h"

#include <gtest/gtest.h>

#include "client/store/call_log.h"
#include "platform/testing/temp_dir.h"
#include "platform/text.h"

namespace zemra::client::ui {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kOwn = 7001;

std::tm day(int year, int month, int mday, int hour = 0, int minute = 0, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = mday;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

struct Call {
    uint32_t id;
    const char* name;  // UTF-8
    uint32_t kind;
    std::tm when;
};

// Appends the calls to `file` as the running client does.
void logCalls(const fs::path& file, const std::vector<Call>& calls) {
    store::CFilelog log;
    ASSERT_TRUE(log.Open(file));
    for (const Call& c : calls) {
        log.id = c.id;
        log.name = text::toGbk(c.name);
        log.kind = c.kind;
        log.stamp(c.when);
        ASSERT_TRUE(log.Append());
    }
}

// One call of every kind and one of a kind the list does not know, in the
// order they happened.
std::vector<Call> dayOfCalls() {
    std::vector<Call> calls;
    for (uint32_t kind = 0; kind <= store::kCallKindCount; ++kind) {
        calls.push_back({8000 + kind, kind % 2 ? "张三" : "李四", kind,
                         day(2024, 3, 9, 8 + static_cast<int>(kind), 5, 7)});
    }
    return calls;
}

std::set<uint32_t> idsOf(const std::vector<CallListRow>& rows) {
    std::set<uint32_t> ids;
    for (const auto& r : rows) ids.insert(r.id);
    return ids;
}

class CallListQueryTest : public ::testing::Test {
  protected:
    fs::path fileOf(const std::tm& d) const { return callListFile(dir_.path(), d, kOwn); }

    zemra::testing::TempDir dir_;
};

TEST_F(CallListQueryTest, WithoutFilterEveryRecordOfTheDayIsListedNewestFirst) {
    const auto calls = dayOfCalls();
    logCalls(fileOf(day(2024, 3, 9)), calls);
    logCalls(fileOf(day(2024, 3, 8)), {{9999, "别的日子", 1, day(2024, 3, 8, 23, 59, 59)}});

    const auto rows = queryCallList(fileOf(day(2024, 3, 9)), {});
    ASSERT_EQ(rows.size(), calls.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Call& call = calls[calls.size() - 1 - i];
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].id, call.id);
        EXPECT_EQ(rows[i].name, text::toGbk(call.name));
        EXPECT_EQ(rows[i].time, store::callLogTimeText(call.when));
        EXPECT_EQ(rows[i].kindLabel, store::callKindLabel(call.kind));
    }
    EXPECT_TRUE(rows.front().kindLabel.empty()) << "an unknown kind leaves its label empty";
    EXPECT_EQ(rows.back().kindLabel, "空闲中未接");
}

TEST_F(CallListQueryTest, OnlyRecordsOfTickedKindsAreListed) {
    logCalls(fileOf(day(2024, 3, 9)), dayOfCalls());
    logCalls(fileOf(day(2024, 3, 9)),
             {{8100, "再拒绝", store::kCallOutRefused, day(2024, 3, 9, 20, 0, 0)}});

    const auto refused = queryCallList(fileOf(day(2024, 3, 9)), {store::kCallOutRefused});
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].id, 8100u);
    EXPECT_EQ(refused[1].id, 8005u);

    const auto missed =
        queryCallList(fileOf(day(2024, 3, 9)), {store::kCallMissedIdle, store::kCallMissedInCall});
    EXPECT_EQ(idsOf(missed), (std::set<uint32_t>{8000, 8004}));
}

TEST_F(CallListQueryTest, AFileWithOneRecordListsExactlyThatRecord) {
    const Call only{8200, "一个人", store::kCallInAccepted, day(2024, 3, 9, 12, 0, 1)};
    logCalls(fileOf(day(2024, 3, 9)), {only});
    const auto rows = queryCallList(fileOf(day(2024, 3, 9)), {});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, only.id);
    EXPECT_EQ(rows[0].kindLabel, "呼入接收");
}

TEST_F(CallListQueryTest, ADayWithoutCallsGetsAnEmptyFileAndNoRows) {
    const fs::path file = fileOf(day(2024, 3, 10));
    ASSERT_FALSE(fs::exists(file));
    EXPECT_TRUE(queryCallList(file, {}).empty());
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
}

TEST_F(CallListQueryTest, AFileThatCannotBeOpenedListsNothing) {
    EXPECT_TRUE(queryCallList(dir_ / "no-such-folder" / "20240309_7001.txt", {}).empty());
    EXPECT_TRUE(queryCallList(dir_.path(), {}).empty()) << "a folder is no log file";
}

// --- actions on the selected row ---

CallListContext context(std::optional<uint32_t> selected, bool inCall = false,
                        std::set<uint32_t> friends = {}) {
    CallListContext c;
    c.selected = selected;
    c.ownId = kOwn;
    c.inCall = inCall;
    c.isFriend = [friends](uint32_t id) { return friends.contains(id); };
    return c;
}

TEST(CallListRefusalTest, CallChecksTheCallThenTheSelectionThenTheUser) {
    const auto call = CallListAction::Call;
    EXPECT_EQ(callListRefusal(call, context(std::nullopt, true)), "请稍侯,您正在通话中!");
    EXPECT_EQ(callListRefusal(call, context(kOwn, true)), "请稍侯,您正在通话中!");
    EXPECT_EQ(callListRefusal(call, context(std::nullopt)), "您好,请选择用户!");
    EXPECT_EQ(callListRefusal(call, context(kOwn)), "对不起,不能呼叫自己!");
    EXPECT_EQ(callListRefusal(call, context(8000, false, {8000})), std::nullopt)
        << "friends may be called";
}

TEST(CallListRefusalTest, ChatAndDetailsNeedOnlyASelection) {
    for (const auto action : {CallListAction::Chat, CallListAction::Details}) {
        EXPECT_EQ(callListRefusal(action, context(std::nullopt, true)), "您好,请选择用户!");
        EXPECT_EQ(callListRefusal(action, context(kOwn, true, {kOwn})), std::nullopt);
    }
}

TEST(CallListRefusalTest, AddFriendAndBlackListRefuseNoneThenSelfThenFriends) {
    for (const auto action : {CallListAction::AddFriend, CallListAction::BlackList}) {
        EXPECT_EQ(callListRefusal(action, context(std::nullopt, false, {8000})),
                  "您好,请选择用户!");
        EXPECT_EQ(callListRefusal(action, context(kOwn, false, {kOwn})),
                  "对不起,不能对自己进行操作!");
        EXPECT_EQ(callListRefusal(action, context(8000, false, {8000})),
                  "对不起,用户已在您的好友名单中!");
        EXPECT_EQ(callListRefusal(action, context(8001, true, {8000})), std::nullopt)
            << "a call in progress does not matter here";
    }
}

}  // namespace
}  // namespace zemra::client::ui
