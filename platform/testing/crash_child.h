// Crashes on purpose, for tests of what a crash leaves on disk: the work
// runs in a forked child that dies at the worst moment of replacing a file,
// the new content complete and flushed but not yet under the file's name.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "platform/file_replacement.h"

namespace zemra::testing {

// The exit code of a child that died where it was meant to.
inline constexpr int kCrashedExitCode = 86;

// Runs `work` in a child process; its exit code, or -1 when it did not exit
// normally. The child ends with _exit(0) if `work` returns.
inline int exitCodeOfChild(const std::function<void()>& work) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `work` in a child that ends on the spot (no destructors, no flushing)
// when a file replacement is about to rename its new file over the old one.
// kCrashedExitCode tells that the crash happened there.
inline int crashBeforeRename(const std::function<void()>& work) {
    return exitCodeOfChild([&] {
        file_replacement_testing::setBeforeRenameHook(
            [](const std::filesystem::path&) { ::_exit(kCrashedExitCode); });
        work();
    });
}

}  // namespace zemra::testing
