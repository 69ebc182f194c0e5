#include "tests/integration/zemrad_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace zemra::integration {

ZemradProcess::ZemradProcess(std::string address, std::filesystem::path database,
                             std::filesystem::path logFile, std::vector<std::string> extraArguments)
    : address_(std::move(address)),
      database_(std::move(database)),
      logFile_(std::move(logFile)),
      extraArguments_(std::move(extraArguments)) {}

ZemradProcess::~ZemradProcess() {
    if (pid_ > 0) terminate();
}

std::string ZemradProcess::log() const {
    std::ifstream in(logFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ZemradProcess::start() {
    if (pid_ > 0) return false;
    // Each start appends, so a restart's lines follow the first run's.
    const std::size_t logBefore = log().size();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> args = {ZEMRAD_PATH, "--listen", address_, "--db", database_.string()};
    args.insert(args.end(), extraArguments_.begin(), extraArguments_.end());
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, ZEMRAD_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        pid_ = -1;
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        if (log().find("listening on", logBefore) != std::string::npos) return true;
        if (!running()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool ZemradProcess::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

int ZemradProcess::waitForExit(int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -2;
}

void ZemradProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitForExit(10000);
}

int ZemradProcess::terminate() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    const int status = waitForExit(10000);
    if (status != -2) return status;
    kill();
    return -1;
}

}  // namespace zemra::integration
