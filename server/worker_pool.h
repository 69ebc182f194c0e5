// A few threads for slow work, with the results handed back to the event
// loop's thread. At most `maxWaiting` jobs wait or run at once, so a storm
// of logins is refused quickly rather than queued for minutes.
#pragma once

#include <asio.hpp>
#include <cstddef>
#include <functional>
#include <memory>

#include "server/background_work.h"

namespace zemra::server {

class WorkerPool final : public BackgroundWork {
  public:
    // One thread fewer than the machine has cores, so the event loop keeps one.
    static std::size_t defaultThreads();

    // `afterDone` runs on the event loop after each job's own `done`.
    WorkerPool(asio::io_context& io, std::size_t threads, std::size_t maxWaiting,
               std::function<void()> afterDone = {});
    ~WorkerPool() override;

    bool run(std::function<void()> job, std::function<void()> done) override;
    // Stops the threads once their current job ends; results not yet handed
    // back are dropped. Call from the event loop's thread.
    void shutdown();
    std::size_t waiting() const { return waiting_; }

  private:
    asio::io_context& io_;
    asio::thread_pool threads_;
    std::size_t maxWaiting_;
    std::function<void()> afterDone_;
    std::size_t waiting_ = 0;
    // Read and written on the event loop's thread only.
    std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
};

}  // namespace zemra::server
