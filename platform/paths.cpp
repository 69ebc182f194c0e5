#include "paths.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace zemra::paths {
namespace fs = std::filesystem;
namespace {

// An environment variable that is set and not empty.
const char* env(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

fs::path home() {
    if (const char* h = env("HOME")) return h;
    return fs::temp_directory_path();
}

// $XDG_<kind>_HOME, else the fallback under the home folder.
fs::path xdgDir(const char* variable, const char* fallbackUnderHome) {
    if (const char* dir = env(variable)) return dir;
    return home() / fallbackUnderHome;
}

void makeDirs(const fs::path& dir) {
    std::error_code ignored;
    fs::create_directories(dir, ignored);
}

}  // namespace

fs::path baseDir() {
    if (const char* dir = env("ZEMRA_HOME")) return dir;
    return xdgDir("XDG_DATA_HOME", ".local/share") / "zemra";
}

fs::path dataDir() {
    if (const char* dir = env("ZEMRA_DATA_DIR")) return dir;
    // Beside the program first: "<prefix>/share/zemra" for <prefix>/bin/zemra,
    // wherever it was installed (and the build tree's, for the built one).
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = program.parent_path().parent_path() / "share" / "zemra";
        if (fs::is_directory(beside, ec)) return beside;
    }
    if (fs::is_directory(ZEMRA_BUILD_DATA_DIR, ec)) return ZEMRA_BUILD_DATA_DIR;
    return ZEMRA_INSTALL_DATA_DIR;
}

fs::path windowsDir() {
    if (const char* dir = env("ZEMRA_WINDIR")) return dir;
    return xdgDir("XDG_CONFIG_HOME", ".config") / "zemra";
}

fs::path photoRoot() {
    if (const char* dir = env("ZEMRA_PHOTO_DIR")) return dir;
    return home() / "Pictures" / "zemra_photo";
}

fs::path configDir() {
    return baseDir() / "config";
}
fs::path userDir(uint32_t userId) {
    return userDirIn(baseDir(), userId);
}
fs::path callListDir(uint32_t userId) {
    return callListDirIn(baseDir(), userId);
}

fs::path userDirIn(const fs::path& base, uint32_t userId) {
    return base / std::to_string(userId);
}
fs::path callListDirIn(const fs::path& base, uint32_t userId) {
    return userDirIn(base, userId) / "calllist";
}
void createUserDirsIn(const fs::path& base, uint32_t userId) {
    makeDirs(callListDirIn(base, userId));
}
void createPhotoDirsIn(const fs::path& photoRoot, uint32_t userId) {
    const fs::path dir = photoRoot / std::to_string(userId);
    makeDirs(dir / "mine");
    makeDirs(dir / "his");
}
fs::path userPhotoDir(uint32_t userId) {
    return photoRoot() / std::to_string(userId);
}
fs::path ownPhotoDir(uint32_t userId) {
    return userPhotoDir(userId) / "mine";
}
fs::path peerPhotoDir(uint32_t userId) {
    return userPhotoDir(userId) / "his";
}

void createStartupDirs() {
    makeDirs(configDir());
    makeDirs(photoRoot());
}

void createUserDirs(uint32_t userId) {
    createUserDirsIn(baseDir(), userId);
}
void createPhotoDirs(uint32_t userId) {
    createPhotoDirsIn(photoRoot(), userId);
}

}  // namespace zemra::paths
