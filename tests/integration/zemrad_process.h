// The real zemrad, started as a child process on its own loopback address
// with its own store, its output going to a log file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zemra::integration {

class ZemradProcess {
  public:
    // `extraArguments` go on zemrad's command line after the address and store.
    ZemradProcess(std::string address, std::filesystem::path database,
                  std::filesystem::path logFile, std::vector<std::string> extraArguments = {});
    // Terminates the server if it still runs.
    ~ZemradProcess();
    ZemradProcess(const ZemradProcess&) = delete;
    ZemradProcess& operator=(const ZemradProcess&) = delete;

    // Starts it and waits until it listens; false when it did not come up.
    bool start();
    // SIGKILL: no chance to clean up.
    void kill();
    // SIGTERM and wait; the exit status, or -1 when it had to be killed.
    int terminate();
    bool running();

    const std::string& address() const { return address_; }
    // While it runs; -1 otherwise.
    pid_t pid() const { return pid_; }
    std::string log() const;

  private:
    int waitForExit(int timeoutMs);

    std::string address_;
    std::filesystem::path database_;
    std::filesystem::path logFile_;
    std::vector<std::string> extraArguments_;
    pid_t pid_ = -1;
};

}  // namespace zemra::integration
