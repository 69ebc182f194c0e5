// Background work for tests and fuzz programs of the server's rules: runs
// each job at once, unless told to hold jobs until finishAll() or to refuse
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "server/background_work.h"

namespace zemra::server {

class TestWork : public BackgroundWork {
  public:
    bool run(std::function<void()> job, std::function<void()> done) override {
        if (refuse) return false;
        if (!hold) {
            job();
            done();
            return true;
        }
        if (held_.size() >= maxHeld) return false;
        held_.emplace_back(std::move(job), std::move(done));
        return true;
    }
    void finishAll() {
        auto held = std::move(held_);
        held_.clear();
        for (auto& [job, done] : held) {
            job();
            done();
        }
    }
    std::size_t held() const { return held_.size(); }

    bool hold = false;
    bool refuse = false;
    // Held jobs beyond this are refused, as a full worker pool refuses them.
    std::size_t maxHeld = SIZE_MAX;

  private:
    std::vector<std::pair<std::function<void()>, std::function<void()>>> held_;
};

}  // namespace zemra::server
