// Replacing a file so that a crash or a power cut at any moment leaves
// either the old content or the new one under its name, never a part: the
// new content is written to a file of its own in the same folder, flushed
// to disk, renamed over the old one, and the folder is flushed too.
#pragma once

#include <filesystem>
#include <span>
#include <string_view>

namespace zemra {

class FileReplacement {
  public:
    // Creates the new, empty file beside `target` (with the permissions of
    // the file it replaces, if there is one); fd() is -1 when it cannot.
    explicit FileReplacement(std::filesystem::path target);
    // Without a commit, the new file is removed again and `target` stays as it was.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Open for reading and writing; -1 when the new file could not be made.
    int fd() const { return fd_; }
    const std::filesystem::path& newPath() const { return newPath_; }

    // Writes the whole of `bytes` at the current position.
    bool write(std::span<const uint8_t> bytes);
    // Flushes the new content to disk and puts it under the target's name.
    // True once the rename happened (flushing the folder afterwards is done
    // as well as the file system allows).
    bool commit();
    // After a commit: the descriptor of the file now at the target, which
    // the caller closes from then on.
    int releaseFd();

  private:
    std::filesystem::path target_;
    std::filesystem::path newPath_;
    int fd_ = -1;
    bool committed_ = false;
};

// `target` with exactly `bytes` in it, replaced as above. False (and the
// old file untouched) when anything fails.
bool replaceFile(const std::filesystem::path& target, std::span<const uint8_t> bytes);
bool replaceFile(const std::filesystem::path& target, std::string_view text);

namespace file_replacement_testing {

// Called with the target's name once the new content is complete and on
// disk, just before it takes the name: the moment where a crash tells
// whether the old file survives. Null (the default) for none.
using BeforeRenameHook = void (*)(const std::filesystem::path& target);
void setBeforeRenameHook(BeforeRenameHook hook);

}  // namespace file_replacement_testing

}  // namespace zemra
