// libFuzzer target: a call-log file of arbitrary bytes, opened and walked the
// way the call list reads it (newest record first), then appended to the way
// the client logs the next call.
//
// Checked: the count is the number of whole records; every record read is the
// one at its place in the file, with texts that fit their fields; a record
// packed again packs the same; an append lands right after the last whole
// record and reads back as written, also after reopening.
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "client/store/call_log.h"
#include "platform/fuzz/scratch_dir.h"

namespace {
using namespace zemra;
using namespace zemra::store;
namespace fs = std::filesystem;

// A busy day's log is a few hundred records.
constexpr std::size_t kMaxBytes = 400 * CallLogRecord::kSize;

const fuzz::ScratchDir& scratch() {
    static const fuzz::ScratchDir dir("zemra-call-log-fuzz");
    return dir;
}

bool fieldsFit(const CallLogRecord& r) {
    return r.time.size() <= CallLogRecord::kTimeSize && r.date.size() <= CallLogRecord::kDateSize &&
           r.name.size() <= CallLogRecord::kNameSize;
}

bool packsStably(const CallLogRecord& r) {
    const auto once = r.pack();
    return CallLogRecord::unpack(once).pack() == once;
}

CallLogRecord atPlace(std::span<const uint8_t> file, std::size_t index) {
    return CallLogRecord::unpack(
        file.subspan(index * CallLogRecord::kSize).first<CallLogRecord::kSize>());
}

bool walkNewestFirst(CFilelog& log, std::span<const uint8_t> file) {
    if (log.count() == 0) return !log.Last() && !log.Previous();
    if (!log.Last() || log.index() != log.count() - 1) return false;
    std::size_t seen = 0;
    for (;;) {
        ++seen;
        const CallLogRecord& current = log;
        if (current != atPlace(file, log.index())) return false;
        if (!fieldsFit(current) || !packsStably(current)) return false;
        (void)callKindLabel(current.kind);
        if (log.AtFirst()) break;
        const std::size_t before = log.index();
        if (!log.Previous() || log.index() + 1 != before) return false;
    }
    return seen == log.count() && !log.Previous();
}

uintmax_t sizeOf(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? static_cast<uintmax_t>(st.st_size) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, std::min(size, kMaxBytes));
    const fs::path path = scratch().put("20031015_12345.txt", file);

    bool ok = true;
    CallLogRecord next;
    {
        CFilelog log;
        if (!log.Open(path)) __builtin_trap();
        ok &= log.count() == file.size() / CallLogRecord::kSize;
        ok &= walkNewestFirst(log, file);

        // The next call, named after the oldest one so the texts come from the file.
        next = log;
        next.id ^= 1;
        next.kind = (next.kind + 1) % kCallKindCount;
        static_cast<CallLogRecord&>(log) = next;
        ok &= log.Append();
        ok &= log.count() == file.size() / CallLogRecord::kSize + 1;
        ok &= log.index() + 1 == log.count();
        ok &= sizeOf(path) == log.count() * CallLogRecord::kSize;
    }
    {
        CFilelog reopened;
        ok &= reopened.Open(path);
        ok &= reopened.count() == file.size() / CallLogRecord::kSize + 1;
        ok &= reopened.Last();
        ok &= static_cast<const CallLogRecord&>(reopened) ==
              CallLogRecord::unpack(std::span<const uint8_t, CallLogRecord::kSize>(next.pack()));
    }
    if (!ok) __builtin_trap();
    return 0;
}
