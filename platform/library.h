// Loading shared objects by file name (the engines' codec plug-ins).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace zemra {

class Library {
  public:
    // Loads `name`. A plain file name follows the dynamic loader's search
    // order (the engines carry RUNPATH=$ORIGIN, so plug-ins beside them are
    // found); a ".dll" suffix is looked up as ".so". Null on failure, with
    // the loader's reason in `error` when given.
    static std::unique_ptr<Library> open(std::string_view name, std::string* error = nullptr);

    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The address of an exported symbol, or null.
    void* symbol(const char* name) const;

    template <typename Function>
    Function function(const char* name) const {
        return reinterpret_cast<Function>(symbol(name));
    }

    const std::string& fileName() const { return fileName_; }

    // The folder of the loaded file that holds `address` (a function of the
    // caller's), so that a library can find the plug-ins installed beside
    // it; empty when unknown. A bare name given to open() is searched from
    // this platform library instead.
    static std::filesystem::path directoryOf(const void* address);

    // "xms.dll" -> "xms.so"; other names unchanged.
    static std::string platformFileName(std::string_view name);

  private:
    Library(void* handle, std::string fileName) : handle_(handle), fileName_(std::move(fileName)) {}
    void* handle_;
    std::string fileName_;
};

}  // namespace zemra
