// A whole audio engine loaded from a private copy of the library (with its
// codec copies beside it, or without them), so that a test gets the fresh
// state of a newly loaded engine and can run two engines in one process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/testing/temp_dir.h"

namespace zemra::snd::testing {

struct SndcoreApi {
    int (*INPUT0)(unsigned, unsigned long, uintptr_t);
    void (*INPUT1)();
    void (*INPUT2)(int);
    int (*INPUT3)(unsigned long, long, unsigned int, unsigned int, uintptr_t);
    int (*INPUT4)(unsigned long);
    void (*INPUT5)();
    void (*INPUT6)(unsigned long, int);
    void (*INPUT7)(unsigned long, int);
    void (*INPUT8)(unsigned long, int);
    void (*INPUT9)(unsigned long, long, unsigned int, unsigned int);
    int (*INPUT10)(void*);
    void (*INPUT11)();
    void (*INPUT12)(int);
    int (*INPUT13)();
    int (*INPUT14)(unsigned);
    void (*INPUT15)();
    void (*INPUT16)(int);
};

class EngineInstance {
  public:
    // Throws std::runtime_error when the engine cannot be loaded.
    explicit EngineInstance(bool withCodecs = true);
    // Releases what the client would release before unloading, then unloads.
    ~EngineInstance();
    EngineInstance(const EngineInstance&) = delete;
    EngineInstance& operator=(const EngineInstance&) = delete;

    const SndcoreApi* operator->() const { return &api_; }
    const std::filesystem::path& directory() const { return dir_.path(); }

    // Where the build puts the engine and the codec copies.
    static std::filesystem::path buildDirectory();

  private:
    zemra::testing::TempDir dir_;
    void* handle_ = nullptr;
    SndcoreApi api_{};
};

}  // namespace zemra::snd::testing
