#include "library.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

namespace zemra {

std::string Library::platformFileName(std::string_view name) {
    constexpr std::string_view kDll = ".dll";
    if (name.size() > kDll.size()) {
        const std::string_view tail = name.substr(name.size() - kDll.size());
        const bool isDll = std::equal(tail.begin(), tail.end(), kDll.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        });
        if (isDll) return std::string(name.substr(0, name.size() - kDll.size())) + ".so";
    }
    return std::string(name);
}

std::unique_ptr<Library> Library::open(std::string_view name, std::string* error) {
    std::string fileName = platformFileName(name);
    dlerror();
    void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* reason = dlerror();
            *error = reason ? reason : "cannot load " + fileName;
        }
        return nullptr;
    }
    return std::unique_ptr<Library>(new Library(handle, std::move(fileName)));
}

Library::~Library() {
    dlclose(handle_);
}

void* Library::symbol(const char* name) const {
    return dlsym(handle_, name);
}

std::filesystem::path Library::directoryOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return std::filesystem::path(info.dli_fname).parent_path();
}

}  // namespace zemra
