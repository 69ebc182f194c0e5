#include "client/store/message_history.h"

#include <vector>

namespace zemra::store {

bool DeleteShownMessage(RecordStore& store, uint32_t key, const ChatMessage& shown,
                        uint32_t position) {
    std::vector<ChatMessage> all;  // oldest first
    if (!store.LoadMessages(key, all)) return false;
    const auto at = [&](uint32_t fromNewest) -> const ChatMessage& {
        return all[all.size() - 1 - fromNewest];
    };
    if (position < all.size() && at(position) == shown) return store.DeleteMessageAt(key, position);
    for (uint32_t n = 0; n < all.size(); ++n) {
        if (at(n) == shown) return store.DeleteMessageAt(key, n);
    }
    return false;
}

}  // namespace zemra::store
