// A record kept in one of the local databases or files.
#pragma once

#include "client/store/record_codec.h"

namespace zemra::store {

class StoredRecord {
  public:
    virtual ~StoredRecord() = default;
    // Fields in their stored order. Writing never fails: what does not fit is left out.
    virtual void serialize(RecordWriter& out) const = 0;
    // Reads every field; fields missing from a short value read as 0 or empty.
    virtual void deserialize(RecordReader& in) = 0;

    // The base holds no fields; this lets derived records default their operator==.
    bool operator==(const StoredRecord&) const = default;
};

}  // namespace zemra::store
