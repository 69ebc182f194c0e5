#include "server/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zemra::server {
namespace {

using namespace std::chrono_literals;

// Runs the loop until `done` holds or two seconds have passed.
template <typename Condition>
bool runUntil(asio::io_context& io, Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        io.restart();
        io.run_for(10ms);
    }
    return done();
}

TEST(WorkerPoolTest, JobsRunOffTheLoopAndTheirResultsComeBackOnIt) {
    asio::io_context io;
    int afterDone = 0;
    WorkerPool pool(io, 2, 8, [&] { ++afterDone; });
    const auto loopThread = std::this_thread::get_id();
    std::thread::id jobThread, doneThread;
    bool finished = false;
    ASSERT_TRUE(pool.run([&] { jobThread = std::this_thread::get_id(); },
                         [&] {
                             doneThread = std::this_thread::get_id();
                             finished = true;
                         }));
    ASSERT_TRUE(runUntil(io, [&] { return finished; }));
    EXPECT_NE(jobThread, loopThread);
    EXPECT_EQ(doneThread, loopThread);
    EXPECT_EQ(afterDone, 1);
    EXPECT_EQ(pool.waiting(), 0u);
}

TEST(WorkerPoolTest, RefusesWorkBeyondItsLimitUntilResultsComeBack) {
    asio::io_context io;
    WorkerPool pool(io, 1, 2);
    std::atomic<bool> release{false};
    int done = 0;
    const auto slow = [&] {
        while (!release) std::this_thread::sleep_for(1ms);
    };
    ASSERT_TRUE(pool.run(slow, [&] { ++done; }));
    ASSERT_TRUE(pool.run(slow, [&] { ++done; }));
    EXPECT_FALSE(pool.run([] {}, [&] { ++done; }));
    release = true;
    ASSERT_TRUE(runUntil(io, [&] { return done == 2; }));
    EXPECT_TRUE(pool.run([] {}, [&] { ++done; }));
    EXPECT_TRUE(runUntil(io, [&] { return done == 3; }));
}

TEST(WorkerPoolTest, ResultsOfJobsRunningAtShutdownAreDropped) {
    asio::io_context io;
    WorkerPool pool(io, 1, 2);
    std::atomic<bool> started{false};
    bool ran = false;
    ASSERT_TRUE(pool.run(
        [&] {
            started = true;
            std::this_thread::sleep_for(50ms);
        },
        [&] { ran = true; }));
    while (!started) std::this_thread::sleep_for(1ms);
    pool.shutdown();  // waits for the job, whose result is then on its way
    io.run_for(100ms);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(pool.run([] {}, [] {}));
}

}  // namespace
}  // namespace zemra::server
