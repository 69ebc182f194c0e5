#include "client/store/message_history.h"

#include <gtest/gtest.h>

#include "platform/testing/temp_dir.h"

namespace zemra::store {
namespace {

ChatMessage chat(uint32_t time, std::string text) {
    ChatMessage m;
    m.peer = 77;
    m.time = time;
    m.text = std::move(text);
    return m;
}

std::vector<std::string> stored(RecordStore& store) {
    std::vector<ChatMessage> list;
    store.LoadMessages(77, list);
    std::vector<std::string> texts;
    for (const auto& m : list) texts.push_back(m.text);
    return texts;
}

class MessageHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (uint32_t t = 1; t <= 3; ++t) store.putMessage(chat(t, "m" + std::to_string(t)));
    }
    testing::TempDir dir;
    RecordStore store{dir.path()};
};

TEST_F(MessageHistoryTest, DeletesTheMessageAtItsListedPosition) {
    ASSERT_TRUE(DeleteShownMessage(store, 77, chat(2, "m2"), 1));
    EXPECT_EQ(stored(store), (std::vector<std::string>{"m1", "m3"}));
}

TEST_F(MessageHistoryTest, AMessageThatArrivedSinceTheListWasFilledIsNotTheOneDeleted) {
    // The list showed m1 at position 2; m4 has arrived since, moving it to 3.
    store.putMessage(chat(4, "m4"));
    ASSERT_TRUE(DeleteShownMessage(store, 77, chat(1, "m1"), 2));
    EXPECT_EQ(stored(store), (std::vector<std::string>{"m2", "m3", "m4"}));
}

TEST_F(MessageHistoryTest, AMessageGoneFromTheStoreDeletesNothing) {
    EXPECT_FALSE(DeleteShownMessage(store, 77, chat(9, "never stored"), 0));
    EXPECT_FALSE(DeleteShownMessage(store, 78, chat(1, "m1"), 0));
    EXPECT_EQ(stored(store), (std::vector<std::string>{"m1", "m2", "m3"}));
}

}  // namespace
}  // namespace zemra::store
