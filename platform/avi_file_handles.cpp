#include "platform/avi_file_handles.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zemra {
namespace {

struct Entry {
    uintptr_t handle;
    std::weak_ptr<AviFile> file;
    bool withdrawn;
};

struct Registry {
    std::mutex mutex;
    std::vector<Entry> entries;
    uintptr_t next = 1;

    // Entries whose file is gone are of no use to anyone.
    void purgeLocked() {
        std::erase_if(entries, [](const Entry& e) { return e.file.expired(); });
    }
};

// Never destroyed: engines close their recordings from their own static
// destructors, which may run after this library's.
Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

uintptr_t handleValue(const void* handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace

void* AviFileHandles::publish(const std::shared_ptr<AviFile>& file) {
    if (!file) return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.purgeLocked();
    if (r.next == 0) r.next = 1;  // null stays "no file"
    const uintptr_t handle = r.next++;
    r.entries.push_back({handle, file, false});
    return reinterpret_cast<void*>(handle);
}

std::shared_ptr<AviFile> AviFileHandles::find(const void* handle) {
    if (!handle) return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const Entry& e : r.entries) {
        if (e.handle == handleValue(handle)) return e.withdrawn ? nullptr : e.file.lock();
    }
    return nullptr;
}

void AviFileHandles::withdraw(const void* handle) {
    if (!handle) return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (Entry& e : r.entries) {
        if (e.handle == handleValue(handle)) e.withdrawn = true;
    }
    r.purgeLocked();
}

std::shared_ptr<AviFile> AviFileHandles::findWriting(const std::filesystem::path& path) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const Entry& e : r.entries) {
        if (auto file = e.file.lock(); file && file->writesTo(path)) return file;
    }
    return nullptr;
}

}  // namespace zemra
