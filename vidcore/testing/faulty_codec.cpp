// A codec driver for tests: picodec in every respect, except that coding
// and decoding a frame throw, as a broken codec would.
#include <dlfcn.h>

#include <stdexcept>

#include "platform/icm_driver.h"

namespace {

zemra::icm::DriverProcFunction picodec() {
    static void* library = dlopen(ZEMRA_PICODEC_PATH, RTLD_NOW | RTLD_LOCAL);
    static auto proc = library ? reinterpret_cast<zemra::icm::DriverProcFunction>(
                                     dlsym(library, zemra::icm::kDriverProcName))
                               : nullptr;
    return proc;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) intptr_t DriverProc(
    uintptr_t driverId, uintptr_t driver, uint32_t message, intptr_t param1, intptr_t param2) {
    if (message == zemra::icm::kIcmCompress || message == zemra::icm::kIcmDecompress) {
        throw std::runtime_error("codec fault");
    }
    auto proc = picodec();
    if (!proc) return message == zemra::icm::kDrvOpen ? 0 : zemra::icm::kIcErrError;
    return proc(driverId, driver, message, param1, param2);
}
