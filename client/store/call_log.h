// The per-day call log: one 72-byte record per call attempt, back to back in
// "calllist/<yyyymmdd>_<id>.txt" (binary despite the name).
//
// Record layout (little-endian; other bytes zero):
//    0  4  reserved        21 23  date, NUL-terminated "%Y:%m:%d"
//    4  4  id (u32)        44  4  kind (u32)
//    8  1  reserved        48  1  reserved
//    9 12  time, NUL-terminated "%H:%M:%S"
//                          49 23  name, NUL-terminated nickname (GBK)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace zemra::store {

enum CallKind : uint32_t {
    kCallMissedIdle = 0,    // incoming, not answered while idle
    kCallInAccepted = 1,    // incoming, accepted
    kCallOutAccepted = 2,   // outgoing, accepted by the other party
    kCallOutNoAnswer = 3,   // outgoing, not answered
    kCallMissedInCall = 4,  // incoming while in a call
    kCallOutRefused = 5,    // outgoing, refused by the other party
};
inline constexpr uint32_t kCallKindCount = 6;

// The label of a kind in the call list, UTF-8; empty outside 0…5.
std::string_view callKindLabel(uint32_t kind);
// The caption of the kind's filter box, UTF-8; empty outside 0…5.
std::string_view callKindFilterCaption(uint32_t kind);

// "20031015_12345.txt" for that day and user.
std::string callLogFileName(const std::tm& day, uint32_t userId);
// The record's date and time texts of a moment.
std::string callLogDateText(const std::tm& when);  // "2003:10:15"
std::string callLogTimeText(const std::tm& when);  // "09:05:07"

struct CallLogRecord {
    static constexpr std::size_t kSize = 72;
    static constexpr std::size_t kIdOffset = 4;
    static constexpr std::size_t kTimeOffset = 9;
    static constexpr std::size_t kTimeSize = 12;
    static constexpr std::size_t kDateOffset = 21;
    static constexpr std::size_t kDateSize = 23;
    static constexpr std::size_t kKindOffset = 44;
    static constexpr std::size_t kNameOffset = 49;
    static constexpr std::size_t kNameSize = 23;

    uint32_t id = 0;    // the other party
    std::string name;   // the other party's nickname, GBK
    std::string time;   // "%H:%M:%S"
    std::string date;   // "%Y:%m:%d"
    uint32_t kind = 0;  // CallKind

    // Sets date and time from a local time.
    void stamp(const std::tm& when);

    // Texts longer than their field are cut on a character boundary so that
    // they and their NUL fit.
    std::array<uint8_t, kSize> pack() const;
    static CallLogRecord unpack(std::span<const uint8_t, kSize> bytes);

    bool operator==(const CallLogRecord&) const = default;
};

// One open call-log file with a current record. One instance appends for the
// whole run; the call-list dialog opens its own to read the same file, which
// works because appends reach the file at once.
class CFilelog : public CallLogRecord {
  public:
    CFilelog() = default;
    ~CFilelog();
    CFilelog(const CFilelog&) = delete;
    CFilelog& operator=(const CFilelog&) = delete;

    // Opens `path` read/write, creating it if missing. Counts the whole
    // records in it (trailing bytes of a torn record are ignored) and reads
    // record 0 if there is one. False if the file can be neither opened nor created.
    bool Open(const std::filesystem::path& path);
    bool IsOpen() const { return fd_ >= 0; }

    // Writes the current fields as a new last record and makes it current.
    bool Append();

    // Move to a record and read it into the current fields. False when there
    // is no such record or it cannot be read (the fields are then unchanged).
    bool First();
    bool Last();
    bool Previous();
    bool AtFirst() const { return index_ == 0; }

    // Closes the file and clears the count, the index and the current fields.
    void Close();

    std::size_t count() const { return count_; }
    std::size_t index() const { return index_; }

  private:
    bool readCurrent();

    int fd_ = -1;
    std::size_t count_ = 0;
    std::size_t index_ = 0;
};

}  // namespace zemra::store
