// libFuzzer target: the records of user.db and msg.db decoded from arbitrary
// value bytes, as RecordStore hands a stored value to a record (a reader over
// the value, then the record's deserialize). Every record kind reads the same
// bytes.
//
// Checked: the reader never claims to be past the value, and a value decoded
// from a small record encodes into bytes that decode and encode again to the
// same bytes, with the reader ending exactly at their end. The first encoding
// may differ from the input (texts stop at a NUL, masked bits drop), but from
// then on writer and reader must agree about every field.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "client/store/chat_message.h"
#include "client/store/record_codec.h"
#include "client/store/user_records.h"

namespace {
using namespace zemra::store;

// A record decoded from at most this many bytes encodes into well under the
// writer's 4096: every byte read writes at most 2.5 bytes (an empty group of
// the layout reads 2 and writes 5), plus 3 for each field missing at the end.
// Nothing is then left out for want of room, so the round trip must be exact.
constexpr std::size_t kWholeRecordBytes = 1024;

std::vector<uint8_t> encode(const StoredRecord& record) {
    RecordWriter writer;
    record.serialize(writer);
    return {writer.bytes().begin(), writer.bytes().end()};
}

template <typename Record>
bool decodesConsistently(std::span<const uint8_t> value, Record& record) {
    RecordReader reader(value);
    record.deserialize(reader);
    if (reader.position() > value.size() || reader.remaining() > value.size()) return false;

    const std::vector<uint8_t> first = encode(record);
    if (first.size() > RecordWriter::kCapacity) return false;
    Record again;
    RecordReader reread(first);
    again.deserialize(reread);
    const std::vector<uint8_t> second = encode(again);
    if (value.size() > kWholeRecordBytes) return true;
    return reread.position() == first.size() && reread.atEnd() && second == first;
}

bool chatMessageHolds(std::span<const uint8_t> value) {
    ChatMessage message;
    if (!decodesConsistently(value, message)) return false;
    // What the message views and the store do with a record straight from msg.db.
    const uint32_t key = message.storageKey();
    if (key != 0 && key != message.peer) return false;
    if (message.isSystemMessage() && key != 0) return false;
    const std::string shown = message.displayedText();
    return message.kind != kMessageChat || shown.size() >= message.text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> value(data, size);
    bool ok = true;
    {
        CUserInfo info;
        ok &= decodesConsistently(value, info);
    }
    {
        CMyInfo own;
        ok &= decodesConsistently(value, own);
    }
    {
        Contact contact;
        ok &= decodesConsistently(value, contact);
        ok &= (contact.options & ~Contact::kStoredOptionMask) == 0;
    }
    {
        CUserOptions options;
        ok &= decodesConsistently(value, options);
        ok &= (options.flags & ~CUserOptions::kStoredFlagMask) == 0;
    }
    {
        COutbarLayout layout;
        ok &= decodesConsistently(value, layout);
        // A group takes at least two bytes of the value.
        ok &= layout.groups.size() <= value.size() / 2;
    }
    ok &= chatMessageHolds(value);
    if (!ok) __builtin_trap();
    return 0;
}
