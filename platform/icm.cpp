#include "platform/icm.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/library.h"

namespace zemra::icm {

// One loaded driver file, shared by every codec opened from it; the last
// codec closed frees and unloads it.
class LoadedDriver {
  public:
    LoadedDriver(std::unique_ptr<Library> library, DriverProcFunction proc)
        : library_(std::move(library)), proc_(proc) {}
    ~LoadedDriver() {
        try {
            proc_(0, handle(), kDrvDisable, 0, 0);
            proc_(0, handle(), kDrvFree, 0, 0);
        } catch (...) {
            // Unloading goes on whatever the driver thinks of it.
        }
    }

    uintptr_t handle() const { return reinterpret_cast<uintptr_t>(this); }
    DriverProcFunction proc() const { return proc_; }

  private:
    std::unique_ptr<Library> library_;
    DriverProcFunction proc_;
};

namespace {

using Key = std::pair<uint32_t, uint32_t>;

struct Registry {
    std::mutex mutex;
    std::map<Key, std::filesystem::path> installed;
    std::map<std::filesystem::path, std::weak_ptr<LoadedDriver>> loaded;
};

Registry& registry() {
    static Registry* instance = new Registry;  // outlives every engine unloading after us
    return *instance;
}

Key keyOf(uint32_t fccType, uint32_t fccHandler) {
    return {lowerFourCc(fccType), lowerFourCc(fccHandler)};
}

std::shared_ptr<LoadedDriver> loadDriver(const std::filesystem::path& file) {
    Registry& r = registry();
    if (auto existing = r.loaded[file].lock()) return existing;
    auto library = Library::open(file.string());
    if (!library) return nullptr;
    auto proc = library->function<DriverProcFunction>(kDriverProcName);
    if (!proc) return nullptr;
    auto driver = std::make_shared<LoadedDriver>(std::move(library), proc);
    if (proc(0, driver->handle(), kDrvLoad, 0, 0) == 0) return nullptr;
    proc(0, driver->handle(), kDrvEnable, 0, 0);
    r.loaded[file] = driver;
    return driver;
}

}  // namespace

bool install(uint32_t fccType, uint32_t fccHandler, const std::filesystem::path& driverFile) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.installed[keyOf(fccType, fccHandler)] = driverFile;
    return true;
}

bool remove(uint32_t fccType, uint32_t fccHandler) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.installed.erase(keyOf(fccType, fccHandler)) > 0;
}

std::unique_ptr<Codec> Codec::open(uint32_t fccType, uint32_t fccHandler, uint32_t mode) {
    std::shared_ptr<LoadedDriver> driver;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.installed.find(keyOf(fccType, fccHandler));
        if (it == r.installed.end()) return nullptr;
        driver = loadDriver(it->second);
    }
    if (!driver) return nullptr;
    IcOpen request;
    request.fccType = fccType;
    request.fccHandler = fccHandler;
    request.flags = mode;
    const intptr_t instance =
        driver->proc()(0, driver->handle(), kDrvOpen, 0, reinterpret_cast<intptr_t>(&request));
    if (instance == 0) return nullptr;
    return std::unique_ptr<Codec>(new Codec(std::move(driver), static_cast<uintptr_t>(instance)));
}

Codec::~Codec() {
    try {
        close();
    } catch (...) {
        // Whoever cared about the fault called close() first.
    }
}

void Codec::close() {
    if (instance_ == 0) return;
    const uintptr_t instance = std::exchange(instance_, 0);
    driver_->proc()(instance, driver_->handle(), kDrvClose, 0, 0);
}

intptr_t Codec::send(uint32_t message, intptr_t param1, intptr_t param2) {
    if (instance_ == 0) return kIcErrError;
    return driver_->proc()(instance_, driver_->handle(), message, param1, param2);
}

namespace {
template <typename T>
intptr_t ptr(T* p) {
    return reinterpret_cast<intptr_t>(p);
}
}  // namespace

intptr_t Codec::getInfo(IcInfo& info) {
    return send(kIcmGetInfo, ptr(&info), sizeof info);
}

intptr_t Codec::stateSize() {
    return send(kIcmGetState, 0, 0);
}

intptr_t Codec::getState(void* buffer, size_t size) {
    return send(kIcmGetState, ptr(buffer), static_cast<intptr_t>(size));
}

intptr_t Codec::setState(const void* buffer, size_t size) {
    return send(kIcmSetState, ptr(buffer), static_cast<intptr_t>(size));
}

intptr_t Codec::compressGetFormat(const BitmapInfoHeader& input, BitmapInfoHeader& output) {
    return send(kIcmCompressGetFormat, ptr(&input), ptr(&output));
}

intptr_t Codec::compressGetSize(const BitmapInfoHeader& input, const BitmapInfoHeader& output) {
    return send(kIcmCompressGetSize, ptr(&input), ptr(&output));
}

intptr_t Codec::compressFramesInfo(IcCompressFrames& info) {
    return send(kIcmCompressFramesInfo, ptr(&info), sizeof info);
}

intptr_t Codec::compressBegin(const BitmapInfoHeader& input, const BitmapInfoHeader& output) {
    return send(kIcmCompressBegin, ptr(&input), ptr(&output));
}

intptr_t Codec::compress(IcCompress& frame) {
    return send(kIcmCompress, ptr(&frame), sizeof frame);
}

intptr_t Codec::compressEnd() {
    return send(kIcmCompressEnd);
}

intptr_t Codec::decompressGetFormat(const BitmapInfoHeader& input, BitmapInfoHeader& output) {
    return send(kIcmDecompressGetFormat, ptr(&input), ptr(&output));
}

intptr_t Codec::decompressBegin(const BitmapInfoHeader& input, const BitmapInfoHeader& output) {
    return send(kIcmDecompressBegin, ptr(&input), ptr(&output));
}

intptr_t Codec::decompress(IcDecompress& frame) {
    return send(kIcmDecompress, ptr(&frame), sizeof frame);
}

intptr_t Codec::decompressEnd() {
    return send(kIcmDecompressEnd);
}

}  // namespace zemra::icm
