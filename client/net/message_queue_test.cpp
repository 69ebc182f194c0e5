#include "client/net/message_queue.h"

#include <gtest/gtest.h>

namespace zemra::client {
namespace {

store::ChatMessage message(uint32_t peer, const char* text, uint8_t kind = store::kMessageChat) {
    store::ChatMessage m;
    m.peer = peer;
    m.text = text;
    m.kind = kind;
    return m;
}

TEST(MessageQueueTest, SystemMessagesGoInFrontInTheirOwnOrder) {
    MessageQueue queue;
    queue.push(message(5, "O1"));
    queue.push(message(store::kSystemAccountId, "S1"));
    queue.push(message(6, "O2"));
    queue.push(message(7, "S2", store::kMessageAuthRequest));
    queue.push(message(5, "O3"));
    std::vector<std::string> order;
    while (auto next = queue.takeFirst()) order.push_back(next->text);
    EXPECT_EQ(order, (std::vector<std::string>{"S1", "S2", "O1", "O2", "O3"}));
}

TEST(MessageQueueTest, TakesTheOldestMessageOfAPeer) {
    MessageQueue queue;
    queue.push(message(5, "a"));
    queue.push(message(6, "b"));
    queue.push(message(5, "c"));
    EXPECT_TRUE(queue.hasFrom(5));
    EXPECT_EQ(queue.takeQueued(5)->text, "a");
    EXPECT_EQ(queue.takeQueued(5)->text, "c");
    EXPECT_FALSE(queue.takeQueued(5).has_value());
    EXPECT_FALSE(queue.hasFrom(5));
    EXPECT_EQ(queue.size(), 1u);
}

}  // namespace
}  // namespace zemra::client
