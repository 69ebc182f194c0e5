// Slow work (password hashing) that must not hold up the event loop: the
// rules hand it over with what to do once it is done, and carry on with
// other clients meanwhile.
#pragma once

#include <functional>

namespace zemra::server {

class BackgroundWork {
  public:
    virtual ~BackgroundWork() = default;
    // Runs `job` away from the event loop, then `done` on it. Returns false,
    // and runs neither, when too much work is waiting already.
    virtual bool run(std::function<void()> job, std::function<void()> done) = 0;
};

// Runs both at once in the caller: the rules' tests see every answer in the
// outbox of the event that caused it.
class InlineWork final : public BackgroundWork {
  public:
    bool run(std::function<void()> job, std::function<void()> done) override {
        job();
        done();
        return true;
    }
};

}  // namespace zemra::server
