#include "call_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "client/store/time_text.h"
#include "platform/byte_order.h"
#include "platform/text.h"

namespace zemra::store {
namespace {

using namespace std::string_view_literals;

struct KindTexts {
    std::string_view label;
    std::string_view caption;
};

constexpr std::array<KindTexts, kCallKindCount> kKindTexts = {{
    {"空闲中未接"sv, "空闲中呼入未接"sv},
    {"呼入接收"sv, "呼入接收通话"sv},
    {"呼出接收"sv, "呼出对方接收通话"sv},
    {"呼出没反应"sv, "呼出对方无应答"sv},
    {"通话中未接"sv, "通话中呼入未接"sv},
    {"呼出拒绝"sv, "呼出对方拒绝"sv},
}};

bool readFully(int fd, uint8_t* out, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFully(int fd, const uint8_t* data, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string_view callKindLabel(uint32_t kind) {
    return kind < kCallKindCount ? kKindTexts[kind].label : std::string_view();
}

std::string_view callKindFilterCaption(uint32_t kind) {
    return kind < kCallKindCount ? kKindTexts[kind].caption : std::string_view();
}

std::string callLogFileName(const std::tm& day, uint32_t userId) {
    return formatTime(day, "%Y%m%d") + "_" + std::to_string(userId) + ".txt";
}

std::string callLogDateText(const std::tm& when) {
    return formatTime(when, "%Y:%m:%d");
}
std::string callLogTimeText(const std::tm& when) {
    return formatTime(when, "%H:%M:%S");
}

void CallLogRecord::stamp(const std::tm& when) {
    date = callLogDateText(when);
    time = callLogTimeText(when);
}

std::array<uint8_t, CallLogRecord::kSize> CallLogRecord::pack() const {
    std::array<uint8_t, kSize> out{};
    putLe32(&out[kIdOffset], id);
    text::copyToField(std::span(out).subspan(kTimeOffset, kTimeSize), time);
    text::copyToField(std::span(out).subspan(kDateOffset, kDateSize), date);
    putLe32(&out[kKindOffset], kind);
    text::copyToField(std::span(out).subspan(kNameOffset, kNameSize), name);
    return out;
}

CallLogRecord CallLogRecord::unpack(std::span<const uint8_t, kSize> bytes) {
    CallLogRecord r;
    r.id = getLe32(&bytes[kIdOffset]);
    r.time = std::string(text::fieldText(bytes.subspan(kTimeOffset, kTimeSize)));
    r.date = std::string(text::fieldText(bytes.subspan(kDateOffset, kDateSize)));
    r.kind = getLe32(&bytes[kKindOffset]);
    r.name = std::string(text::fieldText(bytes.subspan(kNameOffset, kNameSize)));
    return r;
}

CFilelog::~CFilelog() {
    Close();
}

bool CFilelog::Open(const std::filesystem::path& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    count_ = static_cast<std::size_t>(st.st_size) / kSize;
    index_ = 0;
    if (count_ > 0) readCurrent();
    return true;
}

bool CFilelog::Append() {
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    // After the last whole record: a record torn by a crash is overwritten
    // rather than left to shift every later record off its 72-byte place.
    const std::size_t at = static_cast<std::size_t>(st.st_size) / kSize;
    const auto bytes = pack();
    if (!writeFully(fd_, bytes.data(), bytes.size(), static_cast<off_t>(at * kSize))) return false;
    index_ = at;
    count_ = at + 1;
    return true;
}

bool CFilelog::First() {
    index_ = 0;
    return readCurrent();
}

bool CFilelog::Last() {
    if (count_ < 2) return First();
    index_ = count_ - 1;
    return readCurrent();
}

bool CFilelog::Previous() {
    if (index_ == 0 || count_ == 0) return false;
    --index_;
    return readCurrent();
}

void CFilelog::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    count_ = 0;
    index_ = 0;
    static_cast<CallLogRecord&>(*this) = CallLogRecord{};
}

bool CFilelog::readCurrent() {
    if (fd_ < 0 || index_ >= count_) return false;
    std::array<uint8_t, kSize> bytes{};
    if (!readFully(fd_, bytes.data(), bytes.size(), static_cast<off_t>(index_ * kSize))) {
        return false;
    }
    static_cast<CallLogRecord&>(*this) = unpack(bytes);
    return true;
}

}  // namespace zemra::store
