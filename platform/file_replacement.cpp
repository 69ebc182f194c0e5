#include "platform/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace zemra {
namespace fs = std::filesystem;
namespace {

std::atomic<file_replacement_testing::BeforeRenameHook> beforeRenameHook{nullptr};
std::atomic<unsigned> newFileSequence{0};

// Makes the rename itself durable: it lives in the folder, not in the file.
void syncFolderOf(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileReplacement::FileReplacement(fs::path target) : target_(std::move(target)) {
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    // A name of our own that nobody else is writing: process and sequence
    // number, and O_EXCL in case a crashed run left the same name behind.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        fs::path candidate = target_;
        candidate +=
            "." + std::to_string(::getpid()) + "-" + std::to_string(newFileSequence++) + ".new";
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            newPath_ = std::move(candidate);
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (fd_ >= 0 && replacing) ::fchmod(fd_, old.st_mode & 07777);
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !newPath_.empty()) ::unlink(newPath_.c_str());
}

bool FileReplacement::write(std::span<const uint8_t> bytes) {
    if (fd_ < 0 || committed_) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FileReplacement::commit() {
    if (fd_ < 0 || committed_) return false;
    // The content must be on disk before the name points at it, or a crash
    // soon after the rename can leave an empty file under the name.
    if (::fsync(fd_) != 0) return false;
    if (const auto hook = beforeRenameHook.load()) hook(target_);
    if (::rename(newPath_.c_str(), target_.c_str()) != 0) return false;
    committed_ = true;
    syncFolderOf(target_);
    return true;
}

int FileReplacement::releaseFd() {
    if (!committed_) return -1;
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool replaceFile(const fs::path& target, std::span<const uint8_t> bytes) {
    FileReplacement replacement(target);
    return replacement.write(bytes) && replacement.commit();
}

bool replaceFile(const fs::path& target, std::string_view text) {
    return replaceFile(target,
                       std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

namespace file_replacement_testing {

void setBeforeRenameHook(BeforeRenameHook hook) {
    beforeRenameHook.store(hook);
}

}  // namespace file_replacement_testing
}  // namespace zemra
