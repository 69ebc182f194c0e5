#include "server/worker_pool.h"

#include <algorithm>
#include <thread>

namespace zemra::server {

std::size_t WorkerPool::defaultThreads() {
    const std::size_t cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores > 1 ? cores - 1 : 1, 1, 4);
}

WorkerPool::WorkerPool(asio::io_context& io, std::size_t threads, std::size_t maxWaiting,
                       std::function<void()> afterDone)
    : io_(io), threads_(threads), maxWaiting_(maxWaiting), afterDone_(std::move(afterDone)) {}

WorkerPool::~WorkerPool() {
    shutdown();
}

void WorkerPool::shutdown() {
    if (!*open_) return;
    *open_ = false;
    threads_.stop();
    threads_.join();
}

bool WorkerPool::run(std::function<void()> job, std::function<void()> done) {
    if (!*open_ || waiting_ >= maxWaiting_) return false;
    ++waiting_;
    // The worker touches only what the lambda owns; the pool itself is
    // looked at again on the event loop, and only while it is open.
    asio::post(threads_, [this, open = open_, executor = io_.get_executor(), job = std::move(job),
                          done = std::move(done)]() mutable {
        // A job reports its own failures to its `done`; one that throws
        // anyway must not take the thread, and with it the server, down.
        try {
            job();
        } catch (...) {
        }
        asio::post(executor, [this, open = std::move(open), done = std::move(done)] {
            if (!*open) return;
            --waiting_;
            done();
            if (afterDone_) afterDone_();
        });
    });
    return true;
}

}  // namespace zemra::server
