#include "message_queue.h"

#include <algorithm>

namespace zemra::client {

void MessageQueue::push(store::ChatMessage message) {
    if (!message.isSystemMessage()) {
        queue_.push_back(std::move(message));
        return;
    }
    const auto firstOrdinary = std::find_if(
        queue_.begin(), queue_.end(), [](const auto& queued) { return !queued.isSystemMessage(); });
    queue_.insert(firstOrdinary, std::move(message));
}

std::optional<store::ChatMessage> MessageQueue::takeQueued(uint32_t peer) {
    const auto it = std::find_if(queue_.begin(), queue_.end(),
                                 [peer](const auto& queued) { return queued.peer == peer; });
    if (it == queue_.end()) return std::nullopt;
    store::ChatMessage message = std::move(*it);
    queue_.erase(it);
    return message;
}

std::optional<store::ChatMessage> MessageQueue::takeFirst() {
    if (queue_.empty()) return std::nullopt;
    store::ChatMessage message = std::move(queue_.front());
    queue_.pop_front();
    return message;
}

bool MessageQueue::hasFrom(uint32_t peer) const {
    return oldestFrom(peer) != nullptr;
}

const store::ChatMessage* MessageQueue::oldestFrom(uint32_t peer) const {
    const auto it = std::find_if(queue_.begin(), queue_.end(),
                                 [peer](const auto& queued) { return queued.peer == peer; });
    return it == queue_.end() ? nullptr : &*it;
}

}  // namespace zemra::client
