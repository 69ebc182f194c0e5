// Incoming messages not yet shown. System messages are kept in front of all
// others, in the order they came; other messages follow in arrival order.
// The queue is not saved: every queued message is already in msg.db.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

#include "client/store/chat_message.h"

namespace zemra::client {

class MessageQueue {
  public:
    void push(store::ChatMessage message);
    // Takes the oldest queued message of `peer`.
    std::optional<store::ChatMessage> takeQueued(uint32_t peer);
    // Takes the first message of the queue.
    std::optional<store::ChatMessage> takeFirst();
    const store::ChatMessage* first() const { return queue_.empty() ? nullptr : &queue_.front(); }
    bool hasFrom(uint32_t peer) const;
    // The oldest queued message of `peer`, left in the queue.
    const store::ChatMessage* oldestFrom(uint32_t peer) const;
    std::size_t size() const { return queue_.size(); }
    bool empty() const { return queue_.empty(); }
    void clear() { queue_.clear(); }

  private:
    std::deque<store::ChatMessage> queue_;
};

}  // namespace zemra::client
