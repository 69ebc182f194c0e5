// Deleting a message the user picked from a list that was filled earlier:
// the store may have changed since (a message arrived, another window
// deleted one), so the message is found again by what it is, not where it was.
#pragma once

#include <cstdint>

#include "client/store/chat_message.h"
#include "client/store/record_store.h"

namespace zemra::store {

// Deletes the message of `key` equal to `shown`, looked for first at
// `position` (counted from the newest, where the list found it), else
// anywhere among the key's messages. False, and nothing deleted, when it is
// no longer stored.
bool DeleteShownMessage(RecordStore& store, uint32_t key, const ChatMessage& shown,
                        uint32_t position);

}  // namespace zemra::store
