// A folder in /dev/shm for fuzz targets whose parser reads only files: one
// per process, made on first use and removed with its content at exit. Each
// input overwrites the same few files, so nothing piles up between inputs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zemra::fuzz {

class ScratchDir {
  public:
    explicit ScratchDir(std::string_view name)
        : path_(std::filesystem::path("/dev/shm") /
                (std::string(name) + "-" + std::to_string(::getpid()))) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
        std::filesystem::create_directories(path_, ec);
        if (ec) __builtin_trap();  // no room to work in: every input would be meaningless
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Empties the folder: state a parser left behind must not reach the next input.
    void clear() const {
        std::error_code ec;
        std::vector<std::filesystem::path> entries;
        for (std::filesystem::directory_iterator it(path_, ec), end; !ec && it != end;
             it.increment(ec)) {
            entries.push_back(it->path());
        }
        for (const auto& entry : entries) std::filesystem::remove_all(entry, ec);
    }

    // `relative` (under the folder) holding exactly `bytes`; its folder is made if need be.
    std::filesystem::path put(const std::filesystem::path& relative,
                              std::span<const uint8_t> bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) __builtin_trap();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) __builtin_trap();
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        return file;
    }

    // The whole content of `file` (in the folder or not), empty when it cannot be read.
    static std::vector<uint8_t> contentOf(const std::filesystem::path& file) {
        std::vector<uint8_t> bytes;
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return bytes;
        uint8_t buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        ::close(fd);
        return bytes;
    }

  private:
    std::filesystem::path path_;
};

}  // namespace zemra::fuzz
