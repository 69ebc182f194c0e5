#include "transfer_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "include/xferlink.h"
#include "xferlink/send_pacer.h"

namespace zemra::xferlink {
using namespace protocol;
namespace {

constexpr auto kConnectTimeout = std::chrono::seconds(10);
constexpr auto kReportInterval = std::chrono::milliseconds(100);
constexpr std::size_t kChunkSize = 64 * 1024;

// A file descriptor closed on every path out.
class FileHandle {
  public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

  private:
    int fd_;
};

bool writeFully(int fd, const uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

constexpr std::string_view kPartialSuffix = ".part";
constexpr std::size_t kPartialRandomChars = 6;  // the XXXXXX of mkostemps
// Room for the dot, the random part and the suffix within a file name.
constexpr std::size_t kPartialBaseMax = 200;

// Creates the receiver's file under a fresh name next to `target`. The name
// is the receiver's own: nothing else in the folder is truncated, and no
// other transfer's clean-up can remove it.
FileHandle createPartial(const std::filesystem::path& target, std::filesystem::path& partial) {
    std::string base = target.filename().string();
    if (base.size() > kPartialBaseMax) base.resize(kPartialBaseMax);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern =
        (folder / ("." + base + "." + std::string(kPartialRandomChars, 'X'))).string();
    pattern += kPartialSuffix;
    const int fd = ::mkostemps(pattern.data(), static_cast<int>(kPartialSuffix.size()), O_CLOEXEC);
    if (fd < 0) return FileHandle(-1);
    // mkostemps makes it private; the received file is an ordinary one.
    ::fchmod(fd, 0644);
    partial = pattern;
    return FileHandle(fd);
}

}  // namespace

bool TransferSession::isPartialName(const std::string& fileName) {
    const std::size_t tail = 1 + kPartialRandomChars + kPartialSuffix.size();
    return fileName.size() > tail + 1 && fileName.front() == '.' &&
           fileName.ends_with(kPartialSuffix) && fileName[fileName.size() - tail] == '.';
}

TransferSession::TransferSession(TransferRequest request)
    : request_(std::move(request)), thread_([this] { run(); }) {}

TransferSession::~TransferSession() {
    cancel();
    if (thread_.joinable()) thread_.join();
}

void TransferSession::run() {
    bool ok = false;
    if (stream_.connect(request_.serverAddress, request_.relayPort, kConnectTimeout)) {
        RelayHello hello;
        hello.ownId = request_.ownId;
        hello.peerId = request_.peerId;
        hello.token = request_.token;
        hello.role = request_.role;
        hello.fileSize = request_.fileSize;
        const auto bytes = hello.encode();
        std::array<uint8_t, 4> answer{};
        // The relay answers once the other side has arrived too.
        if (stream_.writeAll(bytes.data(), bytes.size()) &&
            stream_.readAll(answer.data(), answer.size()) &&
            decodeRelayWord(answer) == kRelayPaired) {
            ok = request_.role == RelayRole::Sender ? send() : receive();
        }
    }
    // Closing our end lets the relay see the transfer is over and let go of
    // both connections.
    stream_.cancel();
    if (ok) postWindowMessage(request_.window, XFERLINK_WM_COMPLETE, 0, 0);
    succeeded_ = ok;
    finished_ = true;
}

bool TransferSession::send() {
    FileHandle file(::open(request_.path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) return false;
    std::vector<uint8_t> chunk(kChunkSize);
    const SendPacer pacer(SendPacer::rateFromEnvironment());
    uint64_t done = 0;
    while (done < request_.fileSize) {
        pacer.waitUntilDue(done, [this] { return stream_.cancelled(); });
        const std::size_t want =
            static_cast<std::size_t>(std::min<uint64_t>(kChunkSize, request_.fileSize - done));
        const ssize_t n = ::read(file.get(), chunk.data(), want);
        if (n < 0 && errno == EINTR) continue;
        // A file that shrank since it was offered cannot be sent as promised.
        if (n <= 0) return false;
        if (!stream_.writeAll(chunk.data(), static_cast<std::size_t>(n))) return false;
        done += static_cast<uint64_t>(n);
        reportProgress(done, done == request_.fileSize);
    }
    std::array<uint8_t, 4> answer{};
    return stream_.readAll(answer.data(), answer.size()) && decodeRelayWord(answer) == kRelayDone;
}

bool TransferSession::receive() {
    std::filesystem::path partial;
    bool ok = false;
    {
        FileHandle file = createPartial(request_.path, partial);
        if (!file.valid()) return false;
        std::vector<uint8_t> chunk(kChunkSize);
        uint64_t done = 0;
        ok = true;
        while (ok && done < request_.fileSize) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<uint64_t>(kChunkSize, request_.fileSize - done));
            ok = stream_.readAll(chunk.data(), want) && writeFully(file.get(), chunk.data(), want);
            if (!ok) break;
            done += want;
            reportProgress(done, done == request_.fileSize);
        }
        ok = ok && ::fsync(file.get()) == 0;
    }
    std::error_code ec;
    if (ok) std::filesystem::rename(partial, request_.path, ec);
    if (!ok || ec) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    const auto done = encodeRelayWord(kRelayDone);
    // The file is in place whatever happens to this last word.
    stream_.writeAll(done.data(), done.size());
    return true;
}

void TransferSession::reportProgress(uint64_t done, bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastReport_ < kReportInterval) return;
    lastReport_ = now;
    postWindowMessage(request_.window, XFERLINK_WM_PROGRESS, static_cast<uintptr_t>(done), 0);
}

}  // namespace zemra::xferlink
