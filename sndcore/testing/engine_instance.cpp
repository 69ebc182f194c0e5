#include "engine_instance.h"

#include <dlfcn.h>

#include <stdexcept>

namespace zemra::snd::testing {
namespace {

constexpr const char* kCodecFiles[] = {
    "xms.so", "ult.so",  "SKYT.so", "RAW.so",  "PSID.so", "PIG.so",  "OKT.so",  "MTM.so",
    "gsm.so", "g729.so", "g711.so", "g723.so", "celp.so", "h263.so", "h264.so", "h265.so",
};

template <typename Function>
void resolve(void* handle, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(handle, name));
    if (!out) throw std::runtime_error(std::string("missing export ") + name);
}

}  // namespace

std::filesystem::path EngineInstance::buildDirectory() {
    return ZEMRA_ENGINE_DIR;
}

EngineInstance::EngineInstance(bool withCodecs) {
    namespace fs = std::filesystem;
    const fs::path from = buildDirectory();
    fs::copy_file(from / "libsndcore.so", dir_ / "libsndcore.so");
    if (withCodecs) {
        for (const char* name : kCodecFiles) fs::copy_file(from / name, dir_ / name);
    }
    handle_ = dlopen((dir_ / "libsndcore.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(dlerror());
    resolve(handle_, "INPUT0", api_.INPUT0);
    resolve(handle_, "INPUT1", api_.INPUT1);
    resolve(handle_, "INPUT2", api_.INPUT2);
    resolve(handle_, "INPUT3", api_.INPUT3);
    resolve(handle_, "INPUT4", api_.INPUT4);
    resolve(handle_, "INPUT5", api_.INPUT5);
    resolve(handle_, "INPUT6", api_.INPUT6);
    resolve(handle_, "INPUT7", api_.INPUT7);
    resolve(handle_, "INPUT8", api_.INPUT8);
    resolve(handle_, "INPUT9", api_.INPUT9);
    resolve(handle_, "INPUT10", api_.INPUT10);
    resolve(handle_, "INPUT11", api_.INPUT11);
    resolve(handle_, "INPUT12", api_.INPUT12);
    resolve(handle_, "INPUT13", api_.INPUT13);
    resolve(handle_, "INPUT14", api_.INPUT14);
    resolve(handle_, "INPUT15", api_.INPUT15);
    resolve(handle_, "INPUT16", api_.INPUT16);
}

EngineInstance::~EngineInstance() {
    if (!handle_) return;
    api_.INPUT5();
    api_.INPUT1();
    api_.INPUT15();
    api_.INPUT11();
    dlclose(handle_);
}

}  // namespace zemra::snd::testing
